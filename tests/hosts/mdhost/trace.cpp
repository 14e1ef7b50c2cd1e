// The simulator's trace: every export call, command, delivery summary and check
// goes to stdout and to out/trace.txt, one line each, flushed at once.
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "tests/hosts/mdhost/mdhost.h"

namespace mdhost {
namespace {

struct TraceState {
  CRITICAL_SECTION lock;
  FILE* file = nullptr;
  DWORD startTick = 0;
  std::string all;  // kept for "expect trace"
  TraceState() {
    InitializeCriticalSection(&lock);
    startTick = GetTickCount();
  }
};

TraceState& T() {
  static TraceState t;
  return t;
}

bool ScriptEcho(const char* body) {
  static const char* const kEchoes[] = {"step ", "check ok: ", "check (line "};
  for (const char* e : kEchoes)
    if (std::strncmp(body, e, std::strlen(e)) == 0) return true;
  return false;
}

void Emit(const char* prefix, const char* format, va_list args) {
  char body[2048];
  std::vsnprintf(body, sizeof body, format, args);
  char line[2200];
  std::snprintf(line, sizeof line, "[%7lu] %s%s\n", static_cast<unsigned long>(ElapsedMs()),
                prefix, body);
  TraceState& t = T();
  EnterCriticalSection(&t.lock);
  std::fputs(line, stdout);
  std::fflush(stdout);
  if (t.file) {
    std::fputs(line, t.file);
    std::fflush(t.file);
  }
  // The script's own lines (steps, check results) repeat the script's words;
  // "expect trace" looks only at what the host and the plug-in did.
  if (!ScriptEcho(body)) {
    t.all += body;
    t.all += '\n';
  }
  LeaveCriticalSection(&t.lock);
}

}  // namespace

DWORD ElapsedMs() { return GetTickCount() - T().startTick; }

bool OpenTrace(const std::string& path) {
  TraceState& t = T();
  EnterCriticalSection(&t.lock);
  t.file = std::fopen(path.c_str(), "w");
  LeaveCriticalSection(&t.lock);
  return t.file != nullptr;
}

void Trace(const char* format, ...) {
  va_list args;
  va_start(args, format);
  Emit("", format, args);
  va_end(args);
}

void Fail(const char* format, ...) {
  InterlockedIncrement(&State().failures);
  va_list args;
  va_start(args, format);
  Emit("FAIL ", format, args);
  va_end(args);
}

int TraceCount(const std::string& text) {
  TraceState& t = T();
  int count = 0;
  EnterCriticalSection(&t.lock);
  for (size_t at = t.all.find(text); !text.empty() && at != std::string::npos; at = t.all.find(text, at + text.size()))
    ++count;
  LeaveCriticalSection(&t.lock);
  return count;
}

bool TraceContains(const std::string& text) {
  TraceState& t = T();
  EnterCriticalSection(&t.lock);
  const bool found = t.all.find(text) != std::string::npos;
  LeaveCriticalSection(&t.lock);
  return found;
}

void FlushTrace() {
  TraceState& t = T();
  EnterCriticalSection(&t.lock);
  std::fflush(stdout);
  if (t.file) std::fflush(t.file);
  LeaveCriticalSection(&t.lock);
}

}  // namespace mdhost
