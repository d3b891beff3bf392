#include <gtest/gtest.h>

#include "platform/resources/gdiobject.h"
#include "platform/resources/resources.h"
#include "travix/wizard/templates.h"

namespace {

using namespace Travix::Wizard;

// Every picture the steps and the information dialog show is a bitmap the
// wizard carries.
TEST(Pictures, EveryBitmapTheDialogsNameIsCarried) {
  struct Picture {
    UINT id;
    LONG width, height;
  };
  for (const Picture& picture : {Picture{IDB_INPUT_NONE, 80, 140}, Picture{IDB_INPUT_DTD, 80, 140},
                                 Picture{IDB_INPUT_SCHEMA, 80, 140}, Picture{IDB_OUTPUT, 80, 140},
                                 Picture{IDB_PROJECT, 80, 140}, Picture{IDB_ABOUT, 64, 48}}) {
    HBITMAP bitmap = LoadBitmap(nullptr, MAKEINTRESOURCE(picture.id));
    ASSERT_NE(bitmap, nullptr) << picture.id;
    BITMAP description{};
    GetObject(bitmap, sizeof description, &description);
    EXPECT_EQ(description.bmWidth, picture.width) << picture.id;
    EXPECT_EQ(description.bmHeight, picture.height) << picture.id;
    DeleteObject(bitmap);
  }
}

}  // namespace
