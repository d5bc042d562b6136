// The tokens the parser reads, lexed a chunk at a time as parsing goes rather than all
// before it begins, so that a large source never has its whole token list in memory:
// the list of a 10,000-line program is several megabytes, written once and read twice.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "core/diag.h"
#include "core/lexer.h"
#include "core/token.h"

namespace kelo_core::parser {

class TokenStream {
 public:
  // Tokens per chunk. A token keeps its address until the parser has moved a whole
  // chunk past the chunk that holds it.
  static constexpr std::size_t kChunk = 1024;

  // Lexes `source`, which must outlive the stream, reporting into `diagnostics`.
  TokenStream(std::string_view source, diag::Diagnostics& diagnostics);
  // Reads given tokens; an Eof is added when they do not end with one.
  explicit TokenStream(std::vector<token::Token> tokens);
  TokenStream(TokenStream&&) noexcept = default;
  TokenStream& operator=(TokenStream&&) = delete;

  // The token at `index`, counted from the first; the Eof token past the end.
  const token::Token& at(std::size_t index) {
    const std::size_t chunk = index / kChunk;
    if (chunk >= first_ && chunk - first_ < chunks_.size()) {
      const Chunk& c = *chunks_[chunk - first_];
      const std::size_t offset = index % kChunk;
      if (offset < c.tokens.size()) return c.tokens[offset];
    }
    return at_slow(index);
  }
  token::Token& at_mut(std::size_t index) { return const_cast<token::Token&>(at(index)); }

  // The index of the ")" that matches the "(" at `index`, if any.
  std::optional<std::size_t> closing(std::size_t index);

  // The tokens before `index` are not asked for again, except those of the chunk before.
  void release_before(std::size_t index);

 private:
  static constexpr std::uint32_t kOpen = UINT32_MAX;         // a "(" not closed yet
  static constexpr std::uint32_t kNoMatch = UINT32_MAX - 1;  // not a "(", or never closed

  struct Chunk {
    std::vector<token::Token> tokens;
    // For each "(": the index of its ")"; kOpen while not yet lexed.
    std::vector<std::uint32_t> closes;
  };

  const token::Token& at_slow(std::size_t index);
  // Lexes one more chunk; false when nothing is left to lex.
  bool grow();
  // Matches the brackets of the newest chunk.
  void match_brackets();
  std::size_t end() const { return (first_ + chunks_.size()) * kChunk; }

  std::optional<lexer::Lexer> lexer_;
  diag::Diagnostics* diagnostics_ = nullptr;
  bool more_ = false;  // the lexer has more to give
  std::vector<std::unique_ptr<Chunk>> chunks_;
  std::size_t first_ = 0;  // number of the first chunk held
  std::unique_ptr<Chunk> spare_;
  std::vector<std::size_t> open_;  // "(" tokens not yet closed, innermost last
  token::Token eof_;               // the last token, once lexed
};

}  // namespace kelo_core::parser
