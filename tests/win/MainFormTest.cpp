#include "app/MarliskMForm.h"

#include <gtest/gtest.h>

#include "resource.h"

namespace marlisk::win {
namespace {

TEST(MainFormTest, OpensAndClosesWithTheExitButton) {
  TMarliskMForm form;
  HWND window = form.create();
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(form.itemText(IDC_LABEL1), "連続データ変換ソフト");
  EXPECT_EQ(form.itemText(IDC_BUTTON_OK), "終了");
  EXPECT_NE(SendMessageW(window, WM_GETICON, ICON_BIG, 0), 0);

  SendMessageW(form.item(IDC_BUTTON_OK), BM_CLICK, 0, 0);
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(form.hwnd(), nullptr);
  MSG quit;
  EXPECT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));  // the program ends
}

}  // namespace
}  // namespace marlisk::win
