local function bench()
  local xs = {}
  for i = 0, 1000000 - 1 do xs[#xs + 1] = i end
  local s = 0.0
  for pass = 0, 50 - 1 do
    for _, x in ipairs(xs) do s = s + x end
  end
  return s
end

print(string.format("%.17g", bench()))
