#include "platform/ui/messagebox.h"

#include <unistd.h>

#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <utility>

#include "platform/kernel/kernel.h"
#include "platform/ui/internal.h"

namespace {

struct Sink {
  std::mutex lock;
  std::shared_ptr<const MessageSink> installed;
};

// Never destroyed: message boxes may be shown from static destructors.
Sink& TheSink() {
  static Sink* sink = new Sink;
  return *sink;
}

const char* ButtonsOf(UINT type) {
  switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL:
      return "OK, Cancel";
    case MB_ABORTRETRYIGNORE:
      return "Abort, Retry, Ignore";
    case MB_YESNOCANCEL:
      return "Yes, No, Cancel";
    case MB_YESNO:
      return "Yes, No";
    case MB_RETRYCANCEL:
      return "Retry, Cancel";
    case MB_CANCELTRYCONTINUE:
      return "Cancel, Try Again, Continue";
    default:
      return nullptr;
  }
}

const char* AnswerName(int answer) {
  switch (answer) {
    case IDOK:
      return "OK";
    case IDCANCEL:
      return "Cancel";
    case IDABORT:
      return "Abort";
    case IDNO:
      return "No";
    default:
      return "?";
  }
}

std::string ProgramName() {
  char path[MAX_PATH];
  DWORD length = GetModuleFileName(nullptr, path, sizeof path);
  std::string name(path, length);
  name = name.substr(name.rfind('/') + 1);
  return name.empty() ? std::string("Error") : name;
}

}  // namespace

int DefaultAnswer(UINT type) {
  switch (type & MB_TYPEMASK) {
    case MB_OK:
      return IDOK;
    case MB_YESNO:
      return IDNO;
    case MB_ABORTRETRYIGNORE:
      // Retrying or ignoring without a person would go on blindly.
      return IDABORT;
    default:
      // OK/Cancel, Yes/No/Cancel, Retry/Cancel, Cancel/Try/Continue.
      return IDCANCEL;
  }
}

int DefaultMessageSink(const MessageBoxRequest& request) {
  int answer = DefaultAnswer(request.type);
  // One write, so that boxes shown by several threads do not mix.
  std::string line = request.caption + ": " + request.text;
  if (const char* buttons = ButtonsOf(request.type))
    line += std::string(" [") + buttons + "] -> " + AnswerName(answer);
  line += '\n';
  std::fwrite(line.data(), 1, line.size(), stderr);
  std::fflush(stderr);
  return answer;
}

MessageSink SetMessageSink(MessageSink sink) {
  Sink& state = TheSink();
  auto replacement = sink ? std::make_shared<const MessageSink>(std::move(sink)) : nullptr;
  std::lock_guard<std::mutex> lock(state.lock);
  std::shared_ptr<const MessageSink> previous = std::exchange(state.installed, std::move(replacement));
  return previous ? *previous : MessageSink();
}

int MessageBox(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType) {
  DWORD self = GetCurrentThreadId();
  MessageBoxRequest request{hWnd,
                            lpText ? lpText : "",
                            lpCaption ? lpCaption : "Error",
                            uType,
                            self,
                            self == static_cast<DWORD>(getpid()) || Platform::Ui::CurrentThreadHasQueue()};
  std::shared_ptr<const MessageSink> sink;
  {
    Sink& state = TheSink();
    std::lock_guard<std::mutex> lock(state.lock);
    sink = state.installed;
  }
  // Called without the lock: a sink may show boxes or replace itself.
  return sink ? (*sink)(request) : DefaultMessageSink(request);
}

int AfxMessageBox(LPCSTR lpszText, UINT nType, UINT) {
  static const std::string caption = ProgramName();
  return MessageBox(nullptr, lpszText, caption.c_str(), nType);
}
