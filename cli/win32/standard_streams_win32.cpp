#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <streambuf>
#include <string>

#include "cli/standard_streams.h"
#include "config/text_codec.h"

namespace kavrin::cli {
namespace {

// Text for a console window: the commands' UTF-8 goes to WriteConsoleW as UTF-16, which every
// console shows whatever its code page and font fallback. A character cut between two writes
// waits for the rest of its bytes.
class ConsoleBuffer : public std::streambuf {
 public:
  explicit ConsoleBuffer(HANDLE console) : console_(console) {}

 protected:
  int_type overflow(int_type c) override {
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    pending_.push_back(traits_type::to_char_type(c));
    if (c == '\n' || pending_.size() >= 4096) Flush();
    return c;
  }
  std::streamsize xsputn(const char* s, std::streamsize n) override {
    pending_.append(s, static_cast<std::size_t>(n));
    if (pending_.find('\n') != std::string::npos || pending_.size() >= 4096) Flush();
    return n;
  }
  int sync() override { return Flush() ? 0 : -1; }

 private:
  // The bytes up to the last whole UTF-8 character.
  std::size_t WholeCharacters() const {
    std::size_t end = pending_.size();
    std::size_t back = 0;
    while (back < 3 && back < end &&
           (static_cast<unsigned char>(pending_[end - 1 - back]) & 0xC0) == 0x80) {
      ++back;
    }
    if (back < end) {
      const unsigned char lead = static_cast<unsigned char>(pending_[end - 1 - back]);
      const std::size_t needs = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : 0;
      if (needs > back) end -= back + 1;
    }
    return end;
  }

  bool Flush() {
    const std::size_t whole = WholeCharacters();
    const std::u16string text = FromUtf8(std::string_view(pending_).substr(0, whole));
    pending_.erase(0, whole);
    std::size_t at = 0;
    while (at < text.size()) {
      DWORD written = 0;
      const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(text.size() - at, 8192));
      if (!WriteConsoleW(console_, reinterpret_cast<const wchar_t*>(text.data()) + at, chunk,
                         &written, nullptr) ||
          written == 0) {
        return false;
      }
      at += written;
    }
    return true;
  }

  HANDLE console_;
  std::string pending_;
};

// The handle when it is a console (GetConsoleMode answers only for one); else null.
HANDLE ConsoleOf(DWORD which) {
  HANDLE handle = GetStdHandle(which);
  DWORD mode = 0;
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE || !GetConsoleMode(handle, &mode)) {
    return nullptr;
  }
  return handle;
}

void UseConsoleIfThere(std::ostream& stream, DWORD which) {
  HANDLE console = ConsoleOf(which);
  if (console == nullptr) return;
  stream.flush();
  // Never freed: the runtime flushes the stream after main returns.
  stream.rdbuf(new ConsoleBuffer(console));
}

}  // namespace

void PrepareStandardStreams() {
  std::fflush(stdout);
  std::fflush(stderr);
  // A redirected stream carries the UTF-8 bytes with LF line ends, as on every platform.
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
  UseConsoleIfThere(std::cout, STD_OUTPUT_HANDLE);
  UseConsoleIfThere(std::cerr, STD_ERROR_HANDLE);
}

}  // namespace kavrin::cli
