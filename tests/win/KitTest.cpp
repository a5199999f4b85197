// The small Win32 kit: conversions, owners, the warning seam, atomic writes.
#include <windows.h>

#include <gtest/gtest.h>

#include <stdexcept>

#include "support/ControlHost.h"
#include "support/TestFolder.h"
#include "support/WarningRecorder.h"
#include "win/AtomicFileWriter.h"
#include "win/Guard.h"
#include "win/Handles.h"
#include "win/Strings.h"
#include "win/Warning.h"

namespace marlisk::win {
namespace {

using test::TestFolder;

TEST(KitTest, AnsiCodecIsCodePage932AndRefusesWhatItCannotHold) {
  ASSERT_EQ(GetACP(), 932u) << "the tests must run with LC_ALL=ja_JP.UTF-8";
  const Win32AnsiCodec codec;
  // ソ and 表 end in the byte of "\": they must come back whole.
  EXPECT_EQ(codec.toAnsi("C:\\ソフト\\表.hgl"), std::string("C:\\\x83\x5c\x83\x74\x83\x67\\\x95\x5c.hgl"));
  EXPECT_EQ(codec.fromAnsi("C:\\\x83\x5c\x83\x74\x83\x67\\\x95\x5c.hgl"), std::string("C:\\ソフト\\表.hgl"));
  EXPECT_EQ(codec.toAnsi("ﾊﾞｯﾁﾌｧｲﾙ"), std::string("\xca\xde\xaf\xc1\xcc\xa7\xb2\xd9"));
  EXPECT_EQ(codec.toAnsi(""), std::string());
  EXPECT_EQ(codec.toAnsi("café"), std::nullopt);
  EXPECT_EQ(codec.toAnsi("\xF0\x9F\x98\x80"), std::nullopt);  // 😀
  EXPECT_EQ(codec.toAnsi("?"), std::string("?"));             // a real "?" is not a refusal
  EXPECT_EQ(codec.toAnsi("\xC3"), std::nullopt);              // cut UTF-8
  EXPECT_EQ(codec.fromAnsi("C:\\\x81"), std::nullopt);        // a lead byte without its trail
  // Counted without converting, with the same verdict.
  EXPECT_TRUE(codec.isAnsi("C:\\\x83\x5c\x83\x74\r\n"));
  EXPECT_FALSE(codec.isAnsi("C:\\\x81"));
  // The system's words name the file where its text has "%1".
  const std::string words = systemErrorText(ERROR_BAD_EXE_FORMAT, "Marlisk.exe");
  EXPECT_NE(words.find("Marlisk.exe"), std::string::npos) << words;
  EXPECT_EQ(words.find("%1"), std::string::npos) << words;

  EXPECT_EQ(narrow(widen("é〜😀表")), "é〜😀表");
  EXPECT_EQ(widen("表"), L"\u8868");
}

TEST(KitTest, OwnersFreeWhatTheyHoldExactlyOnce) {
  HANDLE raw = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  DWORD flags = 0;
  {
    UniqueHandle first(raw);
    UniqueHandle second(std::move(first));
    EXPECT_FALSE(first);
    EXPECT_EQ(second.get(), raw);
    *second.put() = CreateEventW(nullptr, TRUE, FALSE, nullptr);  // put() closes the old one first
    EXPECT_FALSE(GetHandleInformation(raw, &flags));
    raw = second.get();
    EXPECT_TRUE(GetHandleInformation(raw, &flags));
  }
  EXPECT_FALSE(GetHandleInformation(raw, &flags));

  UniqueFileHandle none;  // INVALID_HANDLE_VALUE is "nothing", not a handle to close
  EXPECT_FALSE(none);

  struct Counted final : IUnknown {
    int refs = 1;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override {
      *out = nullptr;
      return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs; }
  } a, b;
  {
    ComPtr<IUnknown> p;
    *p.put() = &a;
    *p.put() = &b;  // releases a
    EXPECT_EQ(a.refs, 0);
    ComPtr<IUnknown> q(std::move(p));
    EXPECT_FALSE(p);
    EXPECT_EQ(b.refs, 1);
  }
  EXPECT_EQ(b.refs, 0);
}

TEST(KitTest, WarningSeamRecordsInsteadOfShowingABox) {
  std::vector<std::string> seen;
  const WarningHandler previous = setWarningHandler([&](const std::string& text) { seen.push_back(text); });
  ShowWarning("ファイルを開けません!");
  const WarningHandler mine = setWarningHandler(previous);
  EXPECT_EQ(seen, std::vector<std::string>{"ファイルを開けません!"});
  EXPECT_TRUE(static_cast<bool>(mine));
}

// Each control's messages reach its own component, and only those; every component hears the
// form going, in the order they were added; what none answers goes on.
TEST(KitTest, TheReflectorRoutesEachControlsMessagesToItsComponent) {
  struct Component final : ReflectedComponent {
    HWND window = nullptr;
    std::vector<std::string>* heard = nullptr;
    std::string name;
    HWND control() const override { return window; }
    bool reflectNotify(NMHDR* header, LRESULT& result) override {
      heard->push_back(name + " notify " + std::to_string(header->code));
      result = 42;
      return true;
    }
    bool reflectCommand(int code, LRESULT&) override {
      heard->push_back(name + " command " + std::to_string(code));
      return code == BN_CLICKED;
    }
    void parentDestroying() override { heard->push_back(name + " destroying"); }
  };
  test::ControlHost host;
  std::vector<std::string> heard;
  Component a{}, b{};
  a.window = host.add(L"BUTTON", 0, 0, 0, 10, 10, 1);
  b.window = host.add(L"BUTTON", 0, 20, 0, 10, 10, 2);
  HWND stranger = host.add(L"BUTTON", 0, 40, 0, 10, 10, 3);
  a.heard = b.heard = &heard;
  a.name = "a";
  b.name = "b";
  host.reflector.add(a);
  host.reflector.add(b);
  NMHDR fromB = {b.window, 2, NM_CLICK};
  EXPECT_EQ(SendMessageW(host.window, WM_NOTIFY, 2, reinterpret_cast<LPARAM>(&fromB)), 42);
  NMHDR fromStranger = {stranger, 3, NM_CLICK};
  EXPECT_EQ(SendMessageW(host.window, WM_NOTIFY, 3, reinterpret_cast<LPARAM>(&fromStranger)), 0);
  LRESULT result = 0;
  EXPECT_TRUE(host.reflector.route(WM_COMMAND, MAKEWPARAM(1, BN_CLICKED), reinterpret_cast<LPARAM>(a.window), result));
  EXPECT_FALSE(host.reflector.route(WM_COMMAND, MAKEWPARAM(1, EN_CHANGE), reinterpret_cast<LPARAM>(a.window), result));
  EXPECT_FALSE(host.reflector.route(WM_DESTROY, 0, 0, result));
  host.reflector.remove(a);
  EXPECT_FALSE(host.reflector.route(WM_COMMAND, MAKEWPARAM(1, BN_CLICKED), reinterpret_cast<LPARAM>(a.window), result));
  EXPECT_EQ(heard,
            (std::vector<std::string>{"b notify " + std::to_string(NM_CLICK), "a command 0",
                                      "a command " + std::to_string(EN_CHANGE), "a destroying", "b destroying"}));
  host.reflector.remove(b);
}

// What the system calls never lets an exception through: it is said, and the fallback returned.
TEST(KitTest, GuardedProceduresTurnAnExceptionIntoAWarning) {
  std::vector<std::string> warnings;
  test::WarningRecorder recording{warnings};
  EXPECT_EQ(guarded<int>(7, [] { return 1; }), 1);
  EXPECT_EQ(guarded<int>(7, []() -> int { throw std::runtime_error("kaputt"); }), 7);
  EXPECT_EQ(guarded<LRESULT>(0, []() -> LRESULT { throw 3; }), 0);
  EXPECT_EQ(warnings, (std::vector<std::string>{"内部エラー: kaputt", "内部エラー"}));
}

TEST(KitTest, AtomicWritesReplaceWholeOrNotAtAll) {
  TestFolder folder;
  const std::string target = folder / "設定.par";
  test::writeFile(target, "old");

  {
    AtomicFileWriter writer(target);
    ASSERT_EQ(writer.write("new but never committed", 23).code(), 0u);
  }
  EXPECT_EQ(test::readFile(target), "old");
  EXPECT_EQ(test::listFolder(folder.path()), "設定.par");  // no temporary file left behind

  EXPECT_EQ(writeFileAtomically(target, "new").code(), 0u);
  EXPECT_EQ(test::readFile(target), "new");
  EXPECT_EQ(test::listFolder(folder.path()), "設定.par");

  // A target that cannot be replaced keeps its content, and the error comes back.
  SetFileAttributesW(widen(target).c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_NE(writeFileAtomically(target, "newer").code(), 0u);
  EXPECT_EQ(test::readFile(target), "new");
  EXPECT_EQ(test::listFolder(folder.path()), "設定.par");

  // A folder that does not exist: an error, nothing created.
  EXPECT_NE(writeFileAtomically(folder / "missing\\x.par", "x").code(), 0u);
  EXPECT_FALSE(test::isFolder(folder / "missing"));
}

}  // namespace
}  // namespace marlisk::win
