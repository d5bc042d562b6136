#include "core/token_stream.h"

#include <utility>

namespace kelo_core::parser {

using token::Token;
using token::TokenKind;

namespace {

bool is_punct(const Token& t, std::uint8_t code) {
  return t.kind == TokenKind::Punct && token::code_of(t) == code;
}

constexpr std::uint8_t kOpenParen = token::fixed_code(TokenKind::Punct, "(");
constexpr std::uint8_t kCloseParen = token::fixed_code(TokenKind::Punct, ")");

}  // namespace

TokenStream::TokenStream(std::string_view source, diag::Diagnostics& diagnostics)
    : lexer_(std::in_place, source), diagnostics_(&diagnostics), more_(true) {
  grow();
}

TokenStream::TokenStream(std::vector<Token> tokens) {
  if (tokens.empty() || tokens.back().kind != TokenKind::Eof) {
    Token eof;
    eof.kind = TokenKind::Eof;
    if (!tokens.empty()) eof.span = {tokens.back().span.end, tokens.back().span.end};
    tokens.push_back(std::move(eof));
  }
  for (std::size_t i = 0; i < tokens.size(); i += kChunk) {
    auto chunk = std::make_unique<Chunk>();
    const std::size_t stop = std::min(tokens.size(), i + kChunk);
    chunk->tokens.reserve(stop - i);
    for (std::size_t j = i; j < stop; ++j) chunk->tokens.push_back(std::move(tokens[j]));
    chunks_.push_back(std::move(chunk));
    match_brackets();
  }
  eof_ = chunks_.back()->tokens.back();
}

const Token& TokenStream::at_slow(std::size_t index) {
  while (index >= end() && grow()) {
  }
  const std::size_t chunk = index / kChunk;
  if (chunk >= first_ && chunk - first_ < chunks_.size()) {
    const Chunk& c = *chunks_[chunk - first_];
    if (index % kChunk < c.tokens.size()) return c.tokens[index % kChunk];
  }
  return eof_;
}

bool TokenStream::grow() {
  if (!more_) return false;
  std::unique_ptr<Chunk> chunk = std::move(spare_);
  if (!chunk) {
    chunk = std::make_unique<Chunk>();
    chunk->tokens.reserve(kChunk);
    chunk->closes.reserve(kChunk);
  }
  more_ = lexer_->fill(chunk->tokens, kChunk, *diagnostics_);
  if (chunk->tokens.empty()) return false;
  chunks_.push_back(std::move(chunk));
  match_brackets();
  if (!more_) eof_ = chunks_.back()->tokens.back();
  return true;
}

void TokenStream::match_brackets() {
  Chunk& chunk = *chunks_.back();
  const std::size_t base = (first_ + chunks_.size() - 1) * kChunk;
  chunk.closes.assign(chunk.tokens.size(), kNoMatch);
  for (std::size_t i = 0; i < chunk.tokens.size(); ++i) {
    const Token& t = chunk.tokens[i];
    if (is_punct(t, kOpenParen)) {
      chunk.closes[i] = kOpen;
      open_.push_back(base + i);
    } else if (is_punct(t, kCloseParen) && !open_.empty()) {
      const std::size_t opened = open_.back();
      open_.pop_back();
      const std::size_t held = opened / kChunk;
      if (held >= first_)
        chunks_[held - first_]->closes[opened % kChunk] = static_cast<std::uint32_t>(base + i);
    }
  }
}

std::optional<std::size_t> TokenStream::closing(std::size_t index) {
  at(index);
  const std::size_t chunk = index / kChunk;
  if (chunk < first_ || chunk - first_ >= chunks_.size()) return std::nullopt;
  // Whatever comes up to the matching ")" is lexed now; it is read soon after anyway.
  while (chunks_[chunk - first_]->closes[index % kChunk] == kOpen && grow()) {
  }
  const std::uint32_t close = chunks_[chunk - first_]->closes[index % kChunk];
  if (close == kOpen || close == kNoMatch) return std::nullopt;
  return close;
}

void TokenStream::release_before(std::size_t index) {
  const std::size_t keep = index / kChunk;  // the chunk of `index - 1` stays too
  while (first_ + 1 < keep && chunks_.size() > 2) {
    std::unique_ptr<Chunk> chunk = std::move(chunks_.front());
    chunks_.erase(chunks_.begin());
    ++first_;
    chunk->tokens.clear();
    chunk->closes.clear();
    if (!spare_) spare_ = std::move(chunk);
  }
}

}  // namespace kelo_core::parser
