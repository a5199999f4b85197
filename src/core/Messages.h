// The texts the runs and the start show (messages and status lines), each written once here.
// Messages that belong to one rule are composed beside it (the settings' checks in
// settings/core/SettingsRules, the parameter file's in settings/core/ParameterFile, the batch
// list's in batchlist/core/BatchList); captions live in the resource script.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace marlisk {

inline constexpr const char* kCannotOpenMessage = "ファイルを開けません!";  // after a path
// After the first "ファイルを開けません!" of a batch run.
inline constexpr const char* kMoreMissingQuestion =
    "\r\n\r\nこのあとも、開けないファイルがあるたびに表示しますか?\r\n(いいえ: この回の残りは運転ログにだけ記録します)";
// After the batch list's path: an exe or another file that is not a list of names.
inline constexpr const char* kBatchListNotTextMessage = "\r テキストのバッチファイルではないため、何も変換しません!";
inline constexpr const char* kNoOutputTypeMessage = "出力形式が選択されていません!";
// Several watch folders that cannot be served together; both rows follow, each on its line.
inline constexpr const char* kRowsWatchSameFolderMessage = "同じフォルダを2つの行で監視しています!";
inline constexpr const char* kRowsWatchInsideMessage = "サブフォルダも監視する行の中のフォルダを監視しています!";
inline constexpr const char* kRowsWatchOutputMessage =
    "出力フォルダ・エラーフォルダ・完了フォルダを監視フォルダにはできません!";
inline constexpr const char* kOverlongLineMessage = "\r 長すぎる行を読み飛ばしました!";  // after the list's path
inline constexpr const char* kUnconvertibleNameMessage =
    "\r このパソコンの文字コードで表せない文字を含む名前のため、変換できません!";  // after a path
inline constexpr const char* kPathTooLongMessage =
    "\r パスが 260 文字以上あり、Marliskが開けないため、変換も削除もしません!";  // after a path
// In place of the viewer-missing message, at a start by a person, when the converter that
// came with the program is there: one question, its facts first.
inline std::string offerBundledConverterQuestion(const std::string& viewer, const std::string& bundled) {
  return viewer +
         "\r\nMarliskプログラムファイルが存在しません。付属の参照コンバーター (RefConverter) を代わりに使いますか?" +
         "\r\n\r\n参照コンバーター: " + bundled +
         "\r\n\r\n(いいえ: 設定ボタンでMarliskプログラム名を登録してください。どちらも設定でいつでも変えられます)";
}
inline constexpr const char* kNoBatchFileNameMessage = "バッチファイル名の指定がありません!";
// After the parameter file's path; the name it was set aside under follows.
inline constexpr const char* kParameterFileDamagedMessage =
    "パラメータファイルが壊れているため、初期設定のファイルに置き換えました。元のファイルは別名で残してあります!";
inline constexpr const char* kCannotSetAsideMessage = "別のバージョンのパラメータファイルを退避できません!";
inline constexpr const char* kCannotCreateFolderMessage = "フォルダーを作成できません\r\n";        // before a path
inline constexpr const char* kCannotOpenParameterFileMessage = "パラメータファイルを開けません!";  // after its path

// "MarliskAuto.ini", after its path; the damaged keys or the I/O error follow on a line of
// their own.
inline constexpr const char* kCannotReadRunSettingsMessage =
    "\r\n運転設定ファイルを読めません。既定の設定で運転します!";
inline constexpr const char* kRunSettingsDamagedMessage =
    "\r\n運転設定ファイルに読めない設定があります。次の設定は既定値で運転します!";
inline constexpr const char* kCannotSaveRunSettingsMessage = "\r\n運転設定ファイルを保存できません!";

// Unattended standby.
inline std::string viewerTimeLimitMessage(int32_t minutes) {
  return "Marliskプログラムが制限時間 (" + std::to_string(minutes) +
         "分) を過ぎても終わらないため終了させました\r 変換されなかったかもしれない入力ファイルは削除せずに残します";
}
inline std::string movedToErrorFolderMessage(size_t count, const std::string& folder) {
  return std::to_string(count) + " 個の入力ファイルが変換できなかったため、エラーフォルダへ移動しました\r " + folder;
}
// The tray's word on a cycle's inputs that were not converted: the last of them, and how
// many more there were.
inline std::string notConvertedSummary(const std::string& last, size_t others) {
  return others == 0 ? last : last + "\r\nほか " + std::to_string(others) + " 個の入力ファイルも変換できませんでした";
}
// The end of a batch run a person started that did not convert every listed file; the log's
// path, when there is a log, says where the rest is.
inline std::string batchSummaryMessage(size_t converted, size_t listed, const std::string& logPath) {
  return std::to_string(listed) + " 個の入力ファイルのうち " + std::to_string(converted) + " 個を変換しました" +
         (logPath.empty() ? std::string("\r 変換できなかったファイルは画面の一覧とメッセージで確認してください")
                          : "\r 変換できなかったファイルとその理由は運転ログにあります:\r " + logPath);
}
// A number of the "運転設定" dialog outside what it may be.
inline std::string numberRangeMessage(const std::string& what, int32_t least, int32_t most) {
  return what + "は " + std::to_string(least) + " から " + std::to_string(most) + " の数字で指定下さい!";
}
// OK in "運転設定" with "無人運転" on and no time limit for the viewer.
inline constexpr const char* kUnattendedNeedsTimeLimitMessage =
    "無人運転のときは、Marliskの制限時間を 1 から 1440 の数字で指定下さい!\r "
    "制限時間が 0 (なし) では、止まったMarliskが待機出力をいつまでも止めてしまいます";
// What switching "無人運転" on proposes for a limit of 0, in minutes.
inline constexpr int32_t kProposedUnattendedMinutes = 60;
// "ログオン時に起動する" could not be set or cleared; the I/O error follows on a line of its own.
inline constexpr const char* kCannotSetStartAtLogonMessage = "スタートアップのショートカットを変更できません!";
// "ログ表示" before any line was written.
inline constexpr const char* kNoLogYetMessage = "運転ログはまだありません!";
// After the log's path, when neither its program nor Notepad could open it; the I/O error follows.
inline constexpr const char* kCannotShowLogMessage = "\r 運転ログを開けるプログラムがありません!";
// After an input's path; the I/O error follows on a line of its own.
inline constexpr const char* kCannotMoveInputMessage = "\r 移動・削除できないため、入力ファイルはそのまま残します!";
// After the log's path.
inline constexpr const char* kCannotWriteLogMessage = "\r 運転ログを書けません。変換はこのまま続けます!";
// After the output folder's path; the I/O error follows on a line of its own.
inline constexpr const char* kOutputFolderUnusableMessage =
    "\r 出力フォルダが見つからないか書き込めないため、入力ファイルはそのまま残して変換を待ちます!";
// After the viewer's path; the I/O error and the system's words follow on a line of their own.
inline constexpr const char* kViewerCannotStartMessage =
    "\r Marliskプログラムを起動できないため、入力ファイルはそのまま残します!";
// A second start on a working folder that a running copy holds.
inline constexpr const char* kAlreadyRunningMessage =
    "MarliskAutoはすでに起動しています!\r 通知領域のアイコンか、タスクバーのウインドウをお使いください";
// A line of the run log.
inline constexpr const char* kSameOutputLogText = "同じ出力ファイル名になる入力ファイルがあります: ";

// A shared watch folder. Log words: a file converted again after this station stopped in the
// middle of it; what the station does when another one put its files back meanwhile.
inline constexpr const char* kResumedLogText = "再開";
inline constexpr const char* kTakenOverLogText =
    "変換中ファイルが他の端末によって監視フォルダに戻されたため、このステーションの処理を中断してやり直します";
// After the claim folder's path.
inline constexpr const char* kClaimFolderOtherVolumeMessage =
    "\r 変換中フォルダが監視フォルダと別のボリュームにあるため、監視フォルダを複数の端末で共有できません!";
inline constexpr const char* kClaimFolderUnusableMessage =
    "\r 変換中フォルダを作成できないか書き込めないため、監視フォルダを複数の端末で共有できません!";
// After the claim folder's path, when a file of the watch folder cannot be renamed into it (a
// file server or client that cannot rename); the I/O error follows on a line of its own.
inline constexpr const char* kClaimRenameFailedMessage =
    "\r 監視フォルダのファイルを変換中フォルダへ名前を変えて移せないため、まだ引き取りを始められません!\r "
    "回ごとに試し直します";
inline std::string stationNameInUseMessage(const std::string& station) {
  return "ステーション名 " + station +
         " はすでに他の端末で動作しています!\r 運転設定で別のステーション名にしてください";
}
// 運転設定's 複数端末.
inline constexpr const char* kStationNameRuleMessage =
    "ステーション名は半角の英数字と - _ で 15 文字までにしてください!";
inline constexpr const char* kChooseStationMessage = "変換中ファイルを戻す端末を一覧から選んでください!";
inline std::string putBackQuestion(const std::string& station, size_t files) {
  return "端末 " + station + " の変換中ファイル " + std::to_string(files) +
         " 件を監視フォルダに戻します。\r\n戻したファイルは、動作中のどの端末でも変換されます。よろしいですか?";
}
inline std::string stationStillRunningMessage(const std::string& station) {
  return "端末 " + station +
         " はまだ動作中か、ファイルサーバーがその端末のファイルを開いたままのため、戻せないファイルがあります!";
}
// One line of the run log a cycle.
inline std::string claimCycleLogText(const std::string& station, size_t claimed, size_t lost) {
  return "複数端末 " + station + ": 引き取り " + std::to_string(claimed) + " 件, 他の端末が先に取った " +
         std::to_string(lost) + " 件";
}

// "終了" while the viewer converts: the status line, and the question after it.
inline constexpr const char* kWaitingForViewerStatus = "Marliskの終了を待っています";
inline constexpr const char* kEndViewerQuestion =
    "\r\n\nMarliskとそれが起動したプログラムを今すぐ終了させますか?\r\n"
    "(変換中の入力ファイルはそのまま残します。いいえを選ぶと、変換が終わってから終了します)";

// The status line while the viewer has the files, and between cycles of standby.
inline constexpr const char* kOutputtingStatus = "出力中 !";
inline constexpr const char* kWaitingStatus = "待機中 !";
// Standby begins no cycle: paused from the menu, or outside its time window ("22:00").
inline constexpr const char* kPausedStatus = "一時停止中";
// A further watch folder row as 運転設定 refuses it.
inline constexpr const char* kRowNeedsFoldersMessage = "監視フォルダと出力フォルダを入れてください!";
inline constexpr const char* kRowMaskMessage = "パターンにはフォルダやドライブを入れられません!";
inline constexpr const char* kTooManyRowsMessage = "監視フォルダは 16 行までです!";
inline constexpr const char* kTimeWindowMessage = "変換する時間帯は 22:00-06:00 のように入れてください!";
// The run log's word on the command run after each file.
inline std::string afterCommandEndedLogText(uint32_t exitCode, const std::string& line) {
  return "ファイルごとのコマンド 終了コード=" + std::to_string(exitCode) + ": " + line;
}
inline std::string afterCommandTimedOutLogText(const std::string& line) {
  return "ファイルごとのコマンドを制限時間で終了しました: " + line;
}
inline constexpr const char* kAfterCommandCannotStartMessage = "ファイルごとのコマンドを起動できません!";
// The error folders' files sent back: these found a file of their name in the watch folder.
inline constexpr const char* kSentBackStayedMessage =
    "監視フォルダに同じ名前のファイルがあるため、次のファイルはエラーフォルダに残しました!";
inline std::string sentBackStayedMessage(const std::vector<std::string>& stayed) {
  std::string text = kSentBackStayedMessage;
  for (const std::string& path : stayed) text += "\r\n" + path;
  return text;
}
inline std::string outsideTimeWindowStatus(const std::string& from) { return "時間帯外：" + from + " から変換します"; }

// Any input or output error of the runs, with the system's code.
inline std::string ioErrorMessage(uint32_t code) { return "I/O Error code=" + std::to_string(code); }

inline std::string viewerCannotStartMessage(const std::string& viewer, unsigned long code, const std::string& words) {
  return viewer + kViewerCannotStartMessage + "\r\n" + ioErrorMessage(static_cast<uint32_t>(code)) +
         (words.empty() ? "" : " " + words);
}

}  // namespace marlisk
