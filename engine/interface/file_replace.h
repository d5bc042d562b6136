// Writing a file without ever losing its previous content: the bytes go to a new file
// in the same folder, which then replaces the target in one rename.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace kelo {

// Empty on success; otherwise the operating system's message, " (os error N)".
// Missing folders are not created; a read-only target is refused; a symbolic link is
// followed. On failure the target is left as it was and no temporary file remains.
std::string replace_file(const std::string& path, std::span<const std::uint8_t> bytes);

// "<message> (os error <n>)" for an errno value.
std::string os_error_text(int error);

}  // namespace kelo
