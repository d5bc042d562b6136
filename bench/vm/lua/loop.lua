local function bench()
  local s = 0.0
  local i = 0
  while i < 100000000 do
    s = s + i * 2
    i = i + 1
  end
  return s
end

print(string.format("%.17g", bench()))
