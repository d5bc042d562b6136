// JSON text through the web client's reply decoding: the envelope around each of the
// five endpoints' payloads, the keyring's credentials, and what a failed decode tells
// the user. No input may crash, leak or trip a sanitizer.
#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "client/api_error.h"
#include "client/wire_models.h"

namespace {

namespace client = zx::client;
namespace decode = zx::decode;

// As the client reads a reply body: the envelope, then the payload inside it.
template <class T, class F>
void envelope(const QByteArray& body, F decodeData) {
  decode::Decoder d;
  std::optional<client::Envelope<T>> e =
      decode::document(d, body, [&](decode::Decoder& d, const decode::Value& v) {
        return client::Envelope<T>::decode(d, v, decodeData);
      });
  if (!e) {
    (void)client::APIError::decoding(d.detail()).errorDescription();
    return;
  }
  if (!e->ok || !e->data)
    (void)client::APIError::http(500, e->error.value_or(QString())).errorDescription();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArray body(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));

  envelope<client::BrokerPage>(body, &client::BrokerPage::decode);
  envelope<QList<client::TradingServer>>(body, &client::decodeServers);
  envelope<client::LoginResponse>(body, &client::LoginResponse::decode);
  envelope<QList<client::Candle>>(body, &client::decodeCandles);

  decode::Decoder d;
  std::optional<client::Envelope<client::StateResponse>> state =
      decode::document(d, body, [](decode::Decoder& d, const decode::Value& v) {
        return client::Envelope<client::StateResponse>::decode(d, v,
                                                               &client::StateResponse::decode);
      });
  if (state && state->data) (void)client::MarketState::from(*state->data);

  decode::Decoder k;
  std::optional<client::Credentials> credentials =
      decode::document(k, body, &client::Credentials::decode);
  if (credentials) (void)credentials->encode();
  return 0;
}
