local function bench()
  local s = 0
  for i = 0, 5000000 - 1 do
    local f = function(x) return x + i end
    s = s + f(1)
  end
  return s
end

print(string.format("%.17g", bench()))
