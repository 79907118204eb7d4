// A program run with a bounded wait on Windows. It runs in a job object that
// kills every process in it when the job is closed: on a timeout the browser
// and its helper processes go at once, and so does a helper left over after
// a normal end, or all of them if this program itself ends first. Where a
// job cannot be had, the browser's own process is terminated.
#include "kvd/pdf/pdf_platform.h"
#include "kvd/win32/wide_text.h"

namespace zel::pdf::platform {

namespace {

// One argument as the C runtime's parser reads it back: quoted when it is
// empty or holds a space, tab or quote; inside the quotes a quote is escaped
// with a backslash, and backslashes are doubled where a quote follows them.
std::wstring quoted(const std::wstring& argument) {
  if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring::npos) return argument;
  std::wstring out = L"\"";
  std::size_t backslashes = 0;
  for (wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    out.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    out += c;
  }
  out.append(backslashes * 2, L'\\');
  out += L'"';
  return out;
}

// The program's name is read up to the next quote, without escapes; a path
// holds no quote.
std::wstring commandLine(const std::filesystem::path& program, const std::vector<std::string>& arguments) {
  std::wstring line = L"\"" + program.native() + L"\"";
  for (const std::string& argument : arguments) line += L" " + quoted(cli::platform::wideFromUtf8(argument));
  return line;
}

HANDLE killingJob() {
  HANDLE job = CreateJobObjectW(nullptr, nullptr);
  if (job == nullptr) return nullptr;
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
  limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
  if (!SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits)) {
    CloseHandle(job);
    return nullptr;
  }
  return job;
}

// Kills what is left in the job and waits, boundedly, until its processes
// have ended, so that none of them still holds a file the caller removes.
void endJob(HANDLE job) {
  TerminateJobObject(job, 1);
  for (int look = 0; look < 1000; ++look) {
    JOBOBJECT_BASIC_ACCOUNTING_INFORMATION accounting{};
    if (!QueryInformationJobObject(job, JobObjectBasicAccountingInformation, &accounting, sizeof accounting, nullptr) ||
        accounting.ActiveProcesses == 0)
      break;
    Sleep(10);
  }
  CloseHandle(job);
}

}  // namespace

RunResult runBounded(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                     std::chrono::milliseconds limit) {
  std::wstring line = commandLine(program, arguments);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED | CREATE_NO_WINDOW,
                      nullptr, nullptr, &startup, &process))
    return {};
  HANDLE job = killingJob();
  if (job != nullptr && !AssignProcessToJobObject(job, process.hProcess)) {
    CloseHandle(job);
    job = nullptr;
  }
  ResumeThread(process.hThread);
  CloseHandle(process.hThread);

  const DWORD waited = WaitForSingleObject(process.hProcess, static_cast<DWORD>(limit.count()));
  RunResult result;
  if (waited == WAIT_OBJECT_0) {
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    result = {RunEnd::Exited, static_cast<int>(code)};
  } else {
    result = {RunEnd::TimedOut, -1};
    if (job == nullptr) TerminateProcess(process.hProcess, 1);
  }
  if (job != nullptr) endJob(job);
  // The process is gone or going; its end is waited for, so that its files
  // are closed before the caller removes them.
  WaitForSingleObject(process.hProcess, 10000);
  CloseHandle(process.hProcess);
  return result;
}

}  // namespace zel::pdf::platform
