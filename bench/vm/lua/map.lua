local function bench()
  local keys = {}
  for i = 0, 1000 - 1 do keys[#keys + 1] = "key" .. i end
  local m = { key0 = 0.0 }
  local s = 0.0
  for i = 0, 1000000 - 1 do
    local k = keys[i % 1000 + 1]
    m[k] = (m[k] or 0) + i
    s = s + m[k]
  end
  return s
end

print(string.format("%.17g", bench()))
