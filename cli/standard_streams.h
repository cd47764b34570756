#pragma once
// kavrin's standard output and error carry bytes as the commands write them: UTF-8 JSON and
// text with LF line ends, the same on every platform, so that scripts see one document.
namespace kavrin::cli {

// Windows: binary mode (no LF to CR LF), and a console shown UTF-8 while kavrin runs.
// POSIX: SIGPIPE ignored, so that a closed pipe is a failed write, not the end of kavrin.
void PrepareStandardStreams();

}  // namespace kavrin::cli
