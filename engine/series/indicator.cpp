#include "series/indicator.h"

#include <cmath>
#include <string>
#include <unordered_map>
#include <utility>

#include "core/numeric.h"
#include "series/indicator_kernels.h"
#include "series/series_window.h"

namespace kelo_vm::evaluate {
namespace {

#define KELO_INDICATORS(X)                                                                        \
  X(Sma, "sma")                                                                                   \
  X(Ma, "ma") X(Avg, "avg") X(Ema, "ema") X(Smma, "smma") X(Lwma, "lwma") X(Dema, "dema")         \
      X(Tema, "tema") X(Rsi, "rsi") X(Sum, "sum") X(Stddev, "stddev") X(Highest, "highest")       \
          X(Lowest, "lowest") X(Roc, "roc") X(Momentum, "momentum") X(Linreg, "linreg") X(        \
              Correlation, "correlation") X(Offset, "offset") X(Nz, "nz") X(Cum, "cum")           \
              X(Changed, "changed") X(Rising, "rising") X(Falling, "falling") X(                  \
                  HighestBar, "highestBar") X(LowestBar, "lowestBar") X(BarsSince, "barsSince")   \
                  X(CrossesOver, "crossesOver") X(CrossesUnder, "crossesUnder") X(Macd, "macd")   \
                      X(Osma, "osma") X(Bands, "bands") X(Envelopes, "envelopes")                 \
                          X(Stoch, "stoch") X(WilliamsR, "williamsR") X(Adx, "adx")               \
                              X(AdxWilder, "adxWilder") X(Atr, "atr") X(TrueRange, "trueRange")   \
                                  X(Cci, "cci") X(Mfi, "mfi") X(Obv, "obv") X(Ad, "ad")           \
                                      X(Volumes, "volumes") X(Sar, "sar") X(Ao, "ao") X(Ac, "ac") \
                                          X(BullsPower, "bullsPower") X(BearsPower, "bearsPower") \
                                              X(Alligator, "alligator")

enum class Kind {
#define KELO_KIND(id, name) id,
  KELO_INDICATORS(KELO_KIND)
#undef KELO_KIND
      Unknown
};

Kind kind_of(std::string_view name) {
  static const std::unordered_map<std::string_view, Kind> kinds = {
#define KELO_ENTRY(id, name) {name, Kind::id},
      KELO_INDICATORS(KELO_ENTRY)
#undef KELO_ENTRY
  };
  const auto it = kinds.find(name);
  return it == kinds.end() ? Kind::Unknown : it->second;
}

Column copy_of(Input x) {
  return Column(x.begin(), x.end());
}

// An input read element-wise against the bar count: cut to count, or padded with NaN.
Input fitted(Input x, std::size_t count, Column& storage) {
  if (x.size() == count) return x;
  storage.assign(count, series::kNaN);
  for (std::size_t i = 0; i < count && i < x.size(); ++i) storage[i] = x[i];
  return storage;
}

}  // namespace

std::size_t count_param(std::span<const double> numbers, std::size_t p, std::size_t fallback) {
  if (p >= numbers.size()) return fallback;
  const double v = numbers[p];
  if (!std::isfinite(v) || v < 1.0) return fallback;
  return static_cast<std::size_t>(kelo_core::numeric::saturating_i64(v));
}

double real_param(std::span<const double> numbers, std::size_t p, double fallback) {
  if (p >= numbers.size() || !std::isfinite(numbers[p])) return fallback;
  return numbers[p];
}

std::int64_t shift_param(std::span<const double> numbers, std::size_t p) {
  if (p >= numbers.size() || !std::isfinite(numbers[p])) return 0;
  return kelo_core::numeric::saturating_i64(numbers[p]);
}

Column indicator_column(std::string_view name, InputColumns& inputs,
                        std::span<const double> numbers, std::uint8_t selector,
                        const BarColumns& bars, std::size_t count) {
  namespace s = series;
  const auto count_at = [&](std::size_t p, std::size_t d) { return count_param(numbers, p, d); };
  const auto in0 = [&] { return inputs.input(0); };
  Column fit;

  switch (kind_of(name)) {
    case Kind::Sma:
      return s::sma(in0(), count_at(0, 14));
    case Kind::Ma:  // the kernel its type chose (series_calls.cpp)
      switch (selector) {
        case 1:
          return s::ema(in0(), count_at(0, 14));
        case 2:
          return s::smma(in0(), count_at(0, 14));
        case 3:
          return s::lwma(in0(), count_at(0, 14));
        default:
          return s::sma(in0(), count_at(0, 14));
      }
    case Kind::Avg:
      return s::sma(in0(), count_at(0, 20));
    case Kind::Ema:
      return s::ema(in0(), count_at(0, 14));
    case Kind::Smma:
      return s::smma(in0(), count_at(0, 14));
    case Kind::Lwma:
      return s::lwma(in0(), count_at(0, 14));
    case Kind::Dema:
      return s::dema(in0(), count_at(0, 14));
    case Kind::Tema:
      return s::tema(in0(), count_at(0, 14));
    case Kind::Rsi:
      return s::rsi(in0(), count_at(0, 14));
    case Kind::Sum:
      return s::rolling_sum(in0(), count_at(0, 20));
    case Kind::Stddev:
      return s::stdev(in0(), count_at(0, 20));
    case Kind::Highest:
      return s::highest(in0(), count_at(0, 20));
    case Kind::Lowest:
      return s::lowest(in0(), count_at(0, 20));
    case Kind::Roc:
      return s::rate_of_change(in0(), count_at(0, 10));
    case Kind::Momentum:
      return momentum(in0(), count_at(0, 10));
    case Kind::Linreg: {
      s::Regression r = s::linear_regression(in0(), count_at(0, 20));
      if (selector == 1) return std::move(r.slope);
      if (selector == 2) return std::move(r.intercept);
      return std::move(r.value);
    }
    case Kind::Correlation: {
      const Input a = in0();
      return s::correlation(a, inputs.input(1), count_at(0, 20));
    }
    case Kind::Offset:
      return offset(in0(), shift_param(numbers, 0));
    case Kind::Nz:
      return nz(in0(), real_param(numbers, 0, 0.0));
    case Kind::Cum:
      return cum(in0());
    case Kind::Changed:
      return changed(in0());
    case Kind::Rising:
      return rising(in0(), count_at(0, 1));
    case Kind::Falling:
      return falling(in0(), count_at(0, 1));
    case Kind::HighestBar:
      return highest_bar(in0(), count_at(0, 20));
    case Kind::LowestBar:
      return lowest_bar(in0(), count_at(0, 20));
    case Kind::BarsSince:
      return bars_since(in0());
    case Kind::CrossesOver: {
      const Input a = in0();
      return crosses_over(a, inputs.input(1));
    }
    case Kind::CrossesUnder: {
      const Input a = in0();
      return crosses_under(a, inputs.input(1));
    }
    case Kind::Macd:
    case Kind::Osma: {
      Macd m = macd(fitted(in0(), count, fit), count_at(0, 12), count_at(1, 26), count_at(2, 9));
      if (kind_of(name) == Kind::Osma || selector == 2) return std::move(m.histogram);
      if (selector == 1) return std::move(m.signal);
      return std::move(m.line);
    }
    case Kind::Bands: {
      Bands b = bands(fitted(in0(), count, fit), count_at(0, 20), real_param(numbers, 1, 2.0));
      if (selector == 0) return std::move(b.upper);
      if (selector == 2) return std::move(b.lower);
      return std::move(b.basis);
    }
    case Kind::Envelopes: {
      const double deviation = numbers.size() > 1 ? numbers[1] : series::kNaN;
      Envelopes e = envelopes(fitted(in0(), count, fit), count_at(0, 20), deviation);
      return selector == 1 ? std::move(e.lower) : std::move(e.upper);
    }
    case Kind::Stoch: {
      s::Stochastic st = s::stochastic(bars.high, bars.low, bars.close, count_at(0, 14),
                                       count_at(2, 3), count_at(1, 3));
      return selector == 1 ? std::move(st.d) : std::move(st.k);
    }
    case Kind::WilliamsR:
      return s::williams_r(bars.high, bars.low, bars.close, count_at(0, 14));
    case Kind::Adx:
    case Kind::AdxWilder: {
      s::Directional d = s::directional(bars.high, bars.low, bars.close, count_at(0, 14));
      if (selector == 1) return std::move(d.plus_di);
      if (selector == 2) return std::move(d.minus_di);
      return std::move(d.adx);
    }
    case Kind::Atr:
      return s::atr(bars.high, bars.low, bars.close, count_at(0, 14));
    case Kind::TrueRange:
      return s::true_range(bars.high, bars.low, bars.close);
    case Kind::Cci:
      return s::cci(bars.high, bars.low, bars.close, count_at(0, 20));
    case Kind::Mfi:
      return s::money_flow_index(bars.high, bars.low, bars.close, bars.volume, count_at(0, 14));
    case Kind::Obv:
      return s::on_balance_volume(bars.close, bars.volume);
    case Kind::Ad:
      return s::accumulation_distribution(bars.high, bars.low, bars.close, bars.volume);
    case Kind::Volumes:
      return copy_of(bars.volume);
    case Kind::Sar:
      return s::parabolic_sar(bars.high, bars.low, real_param(numbers, 0, 0.02),
                              real_param(numbers, 1, 0.2));
    case Kind::Ao:
      return awesome(bars.high, bars.low);
    case Kind::Ac:
      return accelerator(bars.high, bars.low);
    case Kind::BullsPower:
      return bulls_power(bars.high, bars.close, count_at(0, 13));
    case Kind::BearsPower:
      return bears_power(bars.low, bars.close, count_at(0, 13));
    case Kind::Alligator: {
      static constexpr std::size_t kDefaults[] = {13, 8, 5};
      const std::size_t line = selector <= 2 ? selector : 0;
      return alligator_line(bars.high, bars.low, count_at(line, kDefaults[line]));
    }
    case Kind::Unknown:
      break;
  }
  return Column(count, series::kNaN);
}

}  // namespace kelo_vm::evaluate
