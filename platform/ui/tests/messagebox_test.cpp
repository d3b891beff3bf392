#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "platform/kernel/kernel.h"
#include "platform/ui/messagebox.h"
#include "platform/ui/window.h"

namespace {

TEST(MessageBoxes, TheDefaultAnswerChangesNothingAndIsWrittenToStandardError) {
  struct Case {
    UINT type;
    int answer;
    const char* line;
  } cases[] = {
      {MB_OK | MB_ICONERROR, IDOK, "Caption: text\n"},
      {MB_YESNO | MB_ICONQUESTION, IDNO, "Caption: text [Yes, No] -> No\n"},
      {MB_OKCANCEL, IDCANCEL, "Caption: text [OK, Cancel] -> Cancel\n"},
      {MB_YESNOCANCEL, IDCANCEL, "Caption: text [Yes, No, Cancel] -> Cancel\n"},
      {MB_ABORTRETRYIGNORE, IDABORT, "Caption: text [Abort, Retry, Ignore] -> Abort\n"},
      {MB_RETRYCANCEL, IDCANCEL, "Caption: text [Retry, Cancel] -> Cancel\n"},
  };
  for (const Case& c : cases) {
    testing::internal::CaptureStderr();
    EXPECT_EQ(MessageBox(nullptr, "text", "Caption", c.type), c.answer);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), c.line);
  }
  testing::internal::CaptureStderr();
  MessageBox(nullptr, "no caption", nullptr, MB_OK);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "Error: no caption\n");
}

TEST(MessageBoxes, ARecorderAnswersFromItsScriptOnEveryThread) {
  std::vector<MessageBoxRecorder::Shown> shown;
  {
    MessageBoxRecorder recorder({IDYES});
    EXPECT_EQ(AfxMessageBox("Remove it?", MB_YESNO), IDYES);
    EXPECT_EQ(AfxMessageBox("Remove it too?", MB_YESNO), IDNO) << "the script is used up";
    std::vector<std::thread> workers;
    for (int i = 0; i < 4; ++i)
      workers.emplace_back([] {
        for (int n = 0; n < 25; ++n)
          MessageBox(nullptr, "from a worker", "Run", MB_OK);
      });
    for (auto& worker : workers)
      worker.join();
    // A worker that pumps messages may be asked to wait for a person.
    std::thread([] {
      MSG message;
      PeekMessage(&message, nullptr, 0, 0, PM_NOREMOVE);
      MessageBox(nullptr, "from a thread with a queue", "Run", MB_OK);
    }).join();
    shown = recorder.All();
  }
  ASSERT_EQ(shown.size(), 103u);
  EXPECT_EQ(shown[0].request.text, "Remove it?");
  EXPECT_EQ(shown[0].request.caption, "ui_tests") << "the program's name";
  EXPECT_TRUE(shown[0].request.mayBlock) << "the main thread";
  EXPECT_EQ(shown[1].answer, IDNO);
  EXPECT_FALSE(shown[2].request.mayBlock) << "a worker thread never waits for a person";
  EXPECT_NE(shown[2].request.thread, GetCurrentThreadId());
  EXPECT_TRUE(shown[102].request.mayBlock);
  testing::internal::CaptureStderr();
  EXPECT_EQ(MessageBox(nullptr, "after", "Again", MB_YESNO), IDNO) << "the default sink is back";
  EXPECT_FALSE(testing::internal::GetCapturedStderr().empty());
}

}  // namespace
