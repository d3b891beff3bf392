// Message boxes. Every box goes to one process-wide sink, which answers
// it: by default the text is written to standard error and the answer is
// the one that changes and deletes nothing (OK for a notice, No for a
// Yes/No question, Cancel where there is one). A program with a terminal,
// or a test, installs a sink of its own. MessageBox never waits for a
// person on a worker thread: the request says whether the calling thread
// may block (the main thread, or one that pumps messages), and a sink that
// asks a person answers DefaultAnswer at once when it may not.
#ifndef PLATFORM_UI_MESSAGEBOX_H
#define PLATFORM_UI_MESSAGEBOX_H

#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "platform/api.h"
#include "platform/types.h"

// Buttons. (Spelt as the dialog model spells the ones it defines too, so
// that both headers may be included together.)
#define MB_OK 0x0u
#define MB_OKCANCEL 0x1u
#define MB_ABORTRETRYIGNORE 0x2u
#define MB_YESNOCANCEL 0x3u
#define MB_YESNO 0x4u
#define MB_RETRYCANCEL 0x5u
#define MB_CANCELTRYCONTINUE 0x6u
#define MB_TYPEMASK 0xFu
// Icons.
#define MB_ICONHAND 0x10u
#define MB_ICONQUESTION 0x20u
#define MB_ICONEXCLAMATION 0x30u
#define MB_ICONASTERISK 0x40u
#define MB_ICONERROR 0x10u
#define MB_ICONSTOP 0x10u
#define MB_ICONWARNING 0x30u
#define MB_ICONINFORMATION 0x40u
#define MB_ICONMASK 0x000000F0u
// Default button, modality and placement (kept in the request, no effect).
#define MB_DEFBUTTON1 0x00000000u
#define MB_DEFBUTTON2 0x00000100u
#define MB_DEFBUTTON3 0x00000200u
#define MB_DEFBUTTON4 0x00000300u
#define MB_DEFMASK 0x00000F00u
#define MB_APPLMODAL 0x00000000u
#define MB_SYSTEMMODAL 0x00001000u
#define MB_TASKMODAL 0x00002000u
#define MB_SETFOREGROUND 0x00010000u
#define MB_TOPMOST 0x00040000u

// Answers.
#define IDOK 1
#define IDCANCEL 2
#define IDABORT 3
#define IDRETRY 4
#define IDIGNORE 5
#define IDYES 6
#define IDNO 7
#define IDTRYAGAIN 10
#define IDCONTINUE 11

struct MessageBoxRequest {
  HWND owner;
  std::string text;
  std::string caption;
  UINT type;
  DWORD thread;   // the calling thread's id
  bool mayBlock;  // the calling thread may wait for a person's answer
};

using MessageSink = std::function<int(const MessageBoxRequest&)>;

// Installs a sink for every thread (an empty one restores the default)
// and answers the one it replaces. A sink may be called on several threads
// at once, and may itself show message boxes.
PLATFORM_API MessageSink SetMessageSink(MessageSink sink);
// The sink used when none is installed.
PLATFORM_API int DefaultMessageSink(const MessageBoxRequest& request);
// The answer that changes nothing, for the buttons of type.
PLATFORM_API int DefaultAnswer(UINT type);

// A null caption is "Error".
PLATFORM_API int MessageBox(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType);
// The caption is the program's name.
PLATFORM_API int AfxMessageBox(LPCSTR lpszText, UINT nType = MB_OK, UINT nIDHelp = 0);

// For tests: records every message box shown while it lives and answers
// them from a script (then the default answer); restores the earlier sink
// when destroyed.
class MessageBoxRecorder {
public:
  struct Shown {
    MessageBoxRequest request;
    int answer;
  };

  explicit MessageBoxRecorder(std::vector<int> answers = {}) : m_answers(answers.begin(), answers.end()) {
    m_previous = SetMessageSink([this](const MessageBoxRequest& request) { return Record(request); });
  }
  ~MessageBoxRecorder() { SetMessageSink(std::move(m_previous)); }
  MessageBoxRecorder(const MessageBoxRecorder&) = delete;
  MessageBoxRecorder& operator=(const MessageBoxRecorder&) = delete;

  void Answer(int answer) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_answers.push_back(answer);
  }
  std::vector<Shown> All() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_shown;
  }
  std::vector<std::string> Texts() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<std::string> texts;
    for (const Shown& shown : m_shown)
      texts.push_back(shown.request.text);
    return texts;
  }

private:
  int Record(const MessageBoxRequest& request) {
    std::lock_guard<std::mutex> lock(m_mutex);
    int answer = DefaultAnswer(request.type);
    if (!m_answers.empty()) {
      answer = m_answers.front();
      m_answers.pop_front();
    }
    m_shown.push_back({request, answer});
    return answer;
  }

  mutable std::mutex m_mutex;
  std::deque<int> m_answers;
  std::vector<Shown> m_shown;
  MessageSink m_previous;
};

#endif
