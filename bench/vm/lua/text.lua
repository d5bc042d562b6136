local function bench()
  local n = 0
  for i = 0, 1000000 - 1 do
    local t = "k" .. i .. "," .. i % 7
    n = n + #t
  end
  return n
end

print(string.format("%.17g", bench()))
