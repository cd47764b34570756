#include <windows.h>

#include "tests/support/run_program.h"
#include "tests/support/temp_dir.h"

namespace kavrin::test {
namespace {

// Quotes one argument the way the C runtime's command-line parser reads it back.
std::wstring Quote(const std::wstring& arg) {
  std::wstring quoted = L"\"";
  std::size_t backslashes = 0;
  for (const wchar_t c : arg) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(backslashes * 2, L'\\');
  return quoted + L"\"";
}

std::wstring Widen(const std::string& text) {
  // Tests give arguments as UTF-8; the program gets them as the UTF-16 command line a user's
  // typing or a shortcut gives.
  const int units =
      MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(units), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), units);
  return wide;
}

HANDLE OutputFile(const std::filesystem::path& path) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  return CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

ProgramRun RunProgram(const std::filesystem::path& program, const std::vector<std::string>& args,
                      const std::filesystem::path& workDir, const std::string& launcher) {
  TempDir capture;
  ProgramRun run;
  if (!launcher.empty()) {
    run.err = "a launcher (" + launcher + ") is a POSIX shell prefix";
    return run;
  }
  std::wstring commandLine = Quote(program.wstring());
  for (const std::string& arg : args) commandLine += L" " + Quote(Widen(arg));
  HANDLE out = OutputFile(capture / "out");
  HANDLE err = OutputFile(capture / "err");
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE in = CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                          OPEN_EXISTING, 0, nullptr);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = in;
  startup.hStdOutput = out;
  startup.hStdError = err;
  PROCESS_INFORMATION process{};
  const bool started =
      CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                     nullptr, workDir.c_str(), &startup, &process) != 0;
  CloseHandle(in);
  CloseHandle(out);
  CloseHandle(err);
  if (started) {
    if (WaitForSingleObject(process.hProcess, 60000) == WAIT_OBJECT_0) {
      DWORD code = 0;
      if (GetExitCodeProcess(process.hProcess, &code)) run.exitCode = static_cast<int>(code);
    } else {
      TerminateProcess(process.hProcess, 1);
      WaitForSingleObject(process.hProcess, INFINITE);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  run.out = capture.Read("out");
  run.err = capture.Read("err");
  return run;
}

std::filesystem::path BuiltFile(const char* pathFromBuild) {
  std::string path = pathFromBuild;
  // Wine maps the build machine's root to drive Z:.
  if (!path.empty() && path[0] == '/') path = "Z:" + path;
  return std::filesystem::path(path).make_preferred();
}

}  // namespace kavrin::test
