#pragma once
// kavrin's standard output and error carry bytes as the commands write them: UTF-8 JSON and
// text with LF line ends, the same on every platform, so that scripts see one document.
namespace kavrin::cli {

// Windows: binary mode (no LF to CR LF) for redirected streams, which carry the UTF-8 bytes;
// std::cout and std::cerr on a console window write UTF-16 with WriteConsoleW, so that any
// console shows every character whatever its code page.
// POSIX: SIGPIPE ignored, so that a closed pipe is a failed write, not the end of kavrin.
void PrepareStandardStreams();

}  // namespace kavrin::cli
