#include "messagetable.h"

#include <QDebug>
#include <QRegularExpression>
#include <algorithm>
#include <iterator>

namespace {

struct Row {
  int n;
  const char *japanese; // nullptr: no Japanese entry
  const char *english;  // nullptr: no English entry
};

// One row per message: number, Japanese text, English text. Texts are exact,
// blanks and spellings included; keep the rows sorted by number.
constexpr Row kRows[] = {
    {    7, "値が入力されていないﾊﾟﾗﾒｰﾀがあります。", "No data in some of parameters."},
    {    8, "値をすべて入力してから、再度実行して下さい。", " Please fill the data in and try it again."},
    {    9, "ﾊﾟﾗﾒｰﾀの値が設定範囲を超えている箇所があります。", "Invalid value in some parameters."},
    {   10, "値を確認してから、再度行って下さい。", "Confirm the value and try it again."},
    {   11, "パラメータを名前を付けて保存する", "Save Parameters as ..."},
    {   12, "kovt6prm1.pmt", "ztrw3prm1.pmt"},
    {   13, "パラメータのファイル保存に失敗しました。", "Fail to  Save parameters into the file."},
    {   14, "パラメータのファイル保存が終了しました。", "Completed save parameters into the file."},
    {   15, "機種のリストファイルがありません。", "No device list file."},
    {   16, "機種を正しく表示させるためには、プログラムと同じフォルダに機種リストファイルをおいてください。", "Put device list file in the folder in which the program is saved in order to indicate device information correctly."},
    {   20, "ファイルの読み込みを中止します。", "Opening file is canceled."},
    {   21, "ZT-KOV用の位置データではありません。", "Not Position Data file for ZT-M5."},
    {   22, "ZT-KOV用のパラメータファイルではありません。", "Not parameter file for ZT-M5."},
    {   24, "ＭＳ 明朝", "MS GOTHIC"},
    {   25, "ファイル名：", "File Name:"},
    {   27, "ZT-M5用の出荷時パラメータファイルの読み込みに失敗しました。(CMN)", "Fail to open standard parameter file for ZT-M5."},
    {   28, "パラメータ出荷時設定のリストファイルがありません。", "No standard parameter list file."},
    {   29, "出荷時パラメータを正しく表示させるためには、プログラムと同じフォルダに出荷時パラメータリストファイルをおいてください。", "Put standart parameter list file in the folder in which the program saved in order to indicate standard parameters correctly."},
    {   30, "エラーリストのファイルがありません。", "No error list file."},
    {   31, "エラーを正しく表示させるためには、プログラムと同じフォルダにエラーリストファイルをおいてください。", "To indicate error contents,install Error list in same folder as program file."},
    {   32, "該当するエラーNoがリストにありません", "No error information in the error List"},
    {   35, "パラメータ", "Parameters"},
    {   36, "出荷時ﾊﾟﾗﾒｰﾀﾌｧｲﾙの読み込みに失敗しました。", "Fail to open standard parameter file."},
    {   51, "ztd", "ztd"},
    {   52, "位置ﾃﾞｰﾀの読み込みでｴﾗｰが発生しました。", "An error occured while getting Value of Position Data."},
    {   62, "操作を中止します。", "Operation is canceled."},
    {   71, "コントローラのバージョン情報の収得に失敗しました。", "Failed to get version information of controller."},
    {   73, "ｼｽﾃﾑﾊﾟﾗﾒｰﾀ", "System Parameter"},
    {  100, "通信タイムアウトエラー！", "Communication timeout error!"},
    {  101, "以下の項目を確認してください。", "Check the followings;"},
    {  102, " １．コントローラーの電源が入っていますか？", " 1.Power ON for controller?"},
    {  103, " ２．通信ケーブルが接続されていますか？", " 2.Communication cables are connected?"},
    {  104, "エラーが発生しました！", "Communication error occurs!"},
    {  105, "通信データ長エラー！", "Communication data length error occurs!"},
    {  106, "通信データのデータ長に異常が検出されました", "Length of data is wrong."},
    {  109, "通信ﾎﾟｰﾄのｵｰﾌﾟﾝに失敗しました。", "Failed in opening of a communication port."},
    {  110, "通信ﾎﾟｰﾄNo,が正しくありません。", "Not correct Port No."},
    {  120, "errorjpn.lst", "erroreng.lst"},
    {  148, "(新型)", "(New)"},
    {  149, "(旧型)", "(Old)"},
    {  211, "ステータス", "Status"},
    {  212, "ﾌｧｲﾙ名", "File Name"},
    {  244, "入出力", "I/O"},
    {  250, "ファイル(&F)", "File(&F)"},
    {  251, "全消去＆新規作成(&N)", "New Data(&N)"},
    {  252, "開く(&O)", "File Open(&O)"},
    {  253, "ｺﾝﾄﾛｰﾗから読込み(&R)", "Read from C/T(&R)"},
    {  254, "上書き保存(&S)", "Save(&S)"},
    {  255, "名前を付けて保存(&A)", "Save As...(&A)"},
    {  256, "ｺﾝﾄﾛｰﾗへ書込み(&L)", "Write to C/T(&L)"},
    {  257, "データ照合", "Verify Position"},
    {  258, "ファイルと照合", "File"},
    {  259, "コントローラと照合", "C/T"},
    {  260, "プリンター設定(&U)", "Printer"},
    {  261, "印刷(&P)", "Print(&P)"},
    {  262, "終了(&X)", "Exit(&X)"},
    {  270, "表示(&V)", "View(&V)"},
    {  271, "ツールバー(&T)", "ToolBar(&T)"},
    {  272, "ステータスバー(&B)", "StatusBar(&B)"},
    {  273, "入出力( &I )", "Input/Output(&I )"},
    {  277, "ティーチング(&J)", "Teaching(&J)"},
    {  278, "オプション(&O)", "Option(&O)"},
    {  280, "設定", "Setting"},
    {  282, "機種変更", "Actuator Setting"},
    {  283, "パラメータ(&P)", "Parameter(&P)"},
    {  285, "ｺﾝﾄﾛｰﾗ", "Controller"},
    {  286, "リセット", "Alarm Reset"},
    {  287, "ｺﾝﾄﾛｰﾗのﾊﾞｰｼﾞｮﾝ(&V)", "Version Of C/T(&V)"},
    {  288, "ｺﾝﾄﾛｰﾗﾓｰﾄﾞ", "Mode of C/T"},
    {  290, "ヘルプ(&H)", "Help(&H)"},
    {  291, "目次(&C)", "Contents(&C)"},
    {  292, "バージョン情報(&A)...", "Version(&A)..."},
    {  295, "外部起動ﾓｰﾄﾞ", "External Start Mode"},
    {  296, "ﾃｨｰﾁﾝｸﾞﾓｰﾄﾞ", "Teaching Mode"},
    {  351, "位置データ(*.ztd)|*.ztd|すべてのファイル(*.*)|*.*", "Position Data(*.ztd)|*.ztd|All Files(*.*)|*.*"},
    {  355, "データを読み込む前に、現在編集中のデータを保存しますか？", "Save the editing data before reading data?"},
    {  356, "ﾊﾟﾗﾒｰﾀのﾁｪｯｸに失敗しました。", "Failed check of parameters."},
    {  364, "位置データファイルを開く", "Open Position Data file"},
    {  368, "コントローラからデータを読み込んでいます…", "Reading data from controller..."},
    {  369, "データを読み込む前に、現在編集中のデータを保存しますか？", "Save the editing data before reading data?"},
    {  370, "コントローラからデータを読み込みますか？", "Read the data from controller, OK?"},
    {  374, "ｺﾝﾄﾛｰﾗ内ﾃﾞｰﾀ", "Inside of C/T"},
    {  375, "データをコントローラーに転送します。よろしいですか？", "Data is transmitted to controller,Yes?"},
    {  377, "通信エラー", "Communication Error occured."},
    {  383, "データをコントローラへ転送しています", "Sending Data to the controller..."},
    {  384, "通信データエラー！", "Communication error occurs!"},
    {  385, "通信データのデータに異常が検出されました。", "transmit data is wrong"},
    {  400, "表にデータがありません。", "No data in the list."},
    {  401, "データを入力後に再度行ってください。", "Input data and try it again."},
    {  406, "名前を付けて保存する", "Save Position Data as ..."},
    {  414, "ﾍﾙﾌﾟの目次を表示できません。 このﾌﾟﾛｼﾞｪｸﾄに関連付けられたﾍﾙﾌﾟが存在しません。", "Can not indicate Help file.No Help files related to this project."},
    {  415, "ｺﾝﾄﾛｰﾗのﾊﾞｰｼﾞｮﾝ情報 なし", "No version information"},
    {  416, "ｺﾝﾄﾛｰﾗのﾊﾞｰｼﾞｮﾝ ", "The version of C/T is "},
    {  418, "このｺﾝﾄﾛｰﾗのﾊﾞｰｼﾞｮﾝは、", "The version of this controller is "},
    {  419, "です。", "."},
    {  420, "使用言語の設定が変更されています。", "Language Setting has been changed."},
    {  421, "KOV-T6を一度終了させてから、もう一度起動してください。", "finish KOV-T6 and restart KOV-T6 again."},
    {  424, "移動中のため、データの書き込みができません。", "The writing of data is not made during movement."},
    {  470, "パラメーターをコントローラーに転送しますか？", "Send parameters to controller?"},
    {  501, "移動テスト", "Move Test"},
    {  511, "移動", "Move"},
    {  512, "連続", "Continual"},
    {  513, "Step", "Step"},
    {  515, "停止", "Stop"},
    {  528, "停止時間", "Wait"},
    {  542, "原点復帰", "Home"},
    {  561, "ポジションNoは、1～63までの値を入れて下さい。", "Input position No. by decimal(Using 1 to 63)"},
    {  570, "データ編集", "Data Edit"},
    {  602, "原点復帰ﾊﾟﾗﾒｰﾀ", "HOME Parameter"},
    {  603, "軸ﾊﾟﾗﾒｰﾀ", "AXIS Parameter"},
    {  604, "PGﾊﾟﾗﾒｰﾀ", "PG Parameter"},
    {  605, "その他ﾊﾟﾗﾒｰﾀ", "Etc Parameter"},
    {  606, "特殊ﾊﾟﾗﾒｰﾀ", "SP Parameter"},
    {  607, "保存ﾌｧｲﾙの印刷", "Print Data in file"},
    {  608, "表示ﾊﾟﾗﾒｰﾀの印刷", "Print Data indicated"},
    {  609, "出荷時設定ﾊﾟﾗﾒｰﾀ", "Initial Parameter"},
    {  610, "ファイル", "FILE"},
    {  611, "コントローラ", "CONTROLLER"},
    {  613, "コントローラ から読込み", "Read from C/T"},
    {  614, "コントローラ へ書き込み", "Write to C/T"},
    {  615, "コントローラと照合", "Verify"},
    {  616, "ファイルの 読み込み", "File open"},
    {  617, "ファイルへ 保存する", "File save"},
    {  618, " ファイルと 照合", "Verify"},
    {  619, "特殊ﾊﾟﾗﾒｰﾀを変更する", "Change SP Parameter"},
    {  641, "0. 励磁ON", "0. Drive-ON"},
    {  642, "1. 励磁OFF", "1. Drive-OFF"},
    {  652, "0. PGなし", "0. No-Encorder"},
    {  653, "1. PG使用", "1. With Encorder"},
    {  655, "0. 無効", "0. Disable"},
    {  656, "1. 有効", "1. Enable"},
    {  657, "0. 出力なし", "0. OUT-OFF"},
    {  658, "1. 出力あり", "1. OUT-ON"},
    {  659, "2. OUT2-ON", "2. OUT2-ON"},
    {  660, "3. OUT1,2-ON", "3. OUT1,2-ON"},
    {  663, "0. 自動原点復帰 無効", "0. Disable"},
    {  664, "1. 自動原点復帰 有効", "1. Enable"},
    {  671, "特殊パラメータは通常使用では変更しないで下さい。", "Don't change SP Parameter on ordinary use."},
    {  672, "特殊パラメータの値を変更しますか？", "Do you change value of SP Parameter."},
    {  673, "原点復帰ﾊﾟﾗﾒｰﾀ", "HOME Parameter"},
    {  675, "軸ﾊﾟﾗﾒｰﾀ", "AXIS Parameter"},
    {  676, "PGﾊﾟﾗﾒｰﾀ", "PG Parameter"},
    {  677, "その他ﾊﾟﾗﾒｰﾀ", "Etc Parameter"},
    {  678, "特殊ﾊﾟﾗﾒｰﾀ", "SP Parameter"},
    {  679, "画面のﾊﾟﾗﾒｰﾀと、ﾌｧｲﾙに保存されたﾊﾟﾗﾒｰﾀの照合を行います。", "Verify parameters against indicated and saved into the file."},
    {  680, "照合するパラメータファイルを開く", "Open Parameter file to be Verified"},
    {  681, "パラメータファイルの読み込みに失敗しました｡", "Fail to open parameter file."},
    {  682, "ﾌｧｲﾙに保存されたﾊﾟﾗﾒｰﾀの印刷を行います。", "Printing parameters saved into the file."},
    {  683, "印刷するパラメータファイルを開く", "Open Parameter file to be printed"},
    {  684, "画面に表示されているﾊﾟﾗﾒｰﾀの印刷を行います。", "Printing parameters indicated in display."},
    {  686, "パラメータファイルを開く", "Open Parameter file"},
    {  690, "A接点(1)", "Logic A(1)"},
    {  691, "B接点(0)", "Logic B(0)"},
    {  692, "無効(0)", "Disable(0)"},
    {  693, "有効(1)", "Enable(1)"},
    {  702, "モニタ開始", "Start Monitor"},
    {  704, "モニタ停止", "Stop Monitor"},
    {  805, "ｺﾝﾄﾛｰﾗから読み込み", "Read from C/T"},
    {  806, "ﾌｧｲﾙを読込", "Open File"},
    {  807, "ｺﾝﾄﾛｰﾗへ 書き込み", "Write to C/T"},
    {  808, "ﾌｧｲﾙへ保存", "Save File"},
    {  811, "表示ﾃﾞｰﾀの印刷", "Print Indicated"},
    {  812, "ﾌｧｲﾙﾃﾞｰﾀの印刷", "Print File"},
    {  823, "照合結果－ＮＧ", "Result of Verify - NG"},
    {  826, "照合結果－ＯＫ", "Result of Verify - OK"},
    {  938, "移動・編集", "MOVE・EDIT"},
    { 1018, "OK", "OK"},
    { 1201, "KOV-T6 ﾊﾞｰｼﾞｮﾝ情報...", "KOV-T6 Version Information..."},
    { 1202, "KOV-T6", "KOV-T6"},
    { 1204, "KOV-T6では、位置ﾃﾞｰﾀ・ﾊﾟﾗﾒｰﾀｰの編集や移動ﾃｽﾄが行えます。", "Editing of position data or parameters and test running can be done by ZT-RW3."},
    { 1205, "仕様は予告なく変更することがあります。最新版は弊社ホームページから入手できます。", "Product details may change without notice. The latest version is available from our web site."},
    { 1206, "現時点ではｼｽﾃﾑ情報を使用できません", "You can't look system information,now."},
    { 1401, "機種選択", "Select Device"},
    { 1402, "使用するアクチュエータの機種を選択して下さい。", "Select Acutuator type,size,speed,stroke and click [OK]"},
    { 1403, "OK", "OK"},
    { 1404, "ｷｬﾝｾﾙ", "Cancel"},
    { 1410, "サイズ", "SIZE"},
    { 1413, "ＰＧ付き", "with Encorder"},
    { 1524, "ﾊﾟﾗﾒｰﾀの値が設定範囲を超えている箇所があります。", "Invalid value in some parameters."},
    { 1525, "値を確認してから、再度行って下さい。", "Confirm the value, and try it again."},
    { 1527, "パラメータの書き込みが終了しました。", "Completed writing parameters."},
    { 1528, "パラメータの書き込みに失敗しました。", "Fail to Write parameters."},
    { 1801, "印刷設定", "Print Setting"},
    { 1802, "印刷するデータを選択して下さい。", "Select data to be printed."},
    { 1803, "位置データ", "Position Data"},
    { 1804, "表の位置データ", "Inside of Grid"},
    { 1805, "ファイル", "File"},
    { 1806, "位置データ(xxxx.ztd)", "Position Data(xxxx.ztd)"},
    { 1807, "参照", "Browse"},
    { 1822, "位置データ(xxxx.ztd)", "Position Data(xxxx.ztd)"},
    { 1824, "位置データのファイル名が適切でありません。ファイル名を確認し、再度印刷して下さい。", "Invalid file name. Confirm file name and print it again."},
    { 1826, "印刷するパラメーターファイルを指定する", "Specify parameter file to be printed."},
    { 1827, "パラメータ(*.pmt)|*.pmt|すべてのファイル(*.*)|*.*", "Parameter(*.pmt)|*.pmt|All files(*.*)|*.*"},
    { 1828, "印刷する位置データファイルを指定する", "Specify Position Data file to be printed."},
    { 2202, "閉じる", "Close"},
    { 2401, "ZT-RW3 ただいま通信中・・・", "ZT-RW3 Communicating,now..."},
    { 2402, "データをコントローラへ転送しています", "Sending data to the controller..."},
    { 2505, "通信ポート", "RS-232C"},
    { 2507, "表示単位", "Unit"},
    { 2508, "言語", "Language"},
    { 2509, "通信ポート設定：　COM", "RS-232C PORT : COM"},
    { 2510, "ｿﾌﾄ起動中は通信ﾎﾟｰﾄを占有する", "A communication port is occupied during soft starting."},
    { 2511, "注意：設定を変更後は、必ず再度ｺﾝﾄﾛｰﾗからﾃﾞｰﾀを読み込むか、ﾌｧｲﾙﾃﾞｰﾀを読み込んで下さい。", "Cautions: After changing a setup,read position data file or read position data from a controller again."},
    { 2520, "表示単位", "Unit of Posi"},
    { 2521, "ﾊﾟﾙｽ", "Pulse"},
    { 2522, "ｍｍ", "mm"},
    { 2526, nullptr, "Language"},
    { 2527, "日本語", "JAPANESE"},
    { 2528, "英語", "ENGLISH"},
    { 3000, "ZT-KOV PC software", "ZT-KOV PC software"},
    { 3001, "移動データ", "Index Data"},
    { 3002, "速度", "VEL"},
    { 3003, "加速度", "ACC"},
    { 3004, "分割数", "Division"},
    { 3005, "ギア比", "GEAR"},
    { 3006, "KOVdata.ztd", "KOVdata.ztd"},
    { 3008, "回転方向", "Rotation"},
    { 3009, "このファイルは壊れています。読み込みを中止します。", "This File can not open ! "},
    // Added by this program: failures the operator must hear of.
    { 3010, "コントローラのデータの一部を表示できません。", "Some of the controller's data cannot be shown."},
    { 3011, "ファイルの保存に失敗しました。", "Fail to save the file."},
    { 3012, "予約ﾊﾟﾗﾒｰﾀ", "Reserved Parameter"},
    { 5001, "ファイルが空です。", "The file is empty."},
    { 5002, "ファイルがデータの途中で終わっています。", "The file ends before the data are complete."},
    { 5003, "%1行目が数値ではありません。", "Line %1 is not a number."},
    { 5004, "ファイルが大きすぎます（%1バイトを超えています）。", "The file is larger than %1 bytes."},
    { 5005, "ファイルではなくフォルダです。", "This is a folder, not a file."},
    { 5006, "%1行目がファイルの形式に合いません。", "Line %1 does not fit the layout of the file."},
    { 5007, "%1の値 %2 は範囲外です（%3～%4）。", "%1 %2 is out of range (%3 to %4)."},
    { 5100, "運転データをコントローラから読み込みました", "Operation data read from the controller"},
    { 5101, "運転データをコントローラに書き込みました", "Operation data written to the controller"},
    { 5102, "開きました: %1", "Opened: %1"},
    { 5103, "保存しました: %1", "Saved: %1"},
    { 5104, "パラメータをコントローラから読み込みました", "Parameters read from the controller"},
    { 5105, "パラメータをコントローラに書き込みました", "Parameters written to the controller"},
    { 5106, "標準パラメータを読み込みました: サイズ %1", "Standard parameters loaded: size %1"},
    { 5107, "照合: 画面とコントローラは一致しています", "Verified: the screen matches the controller"},
    { 5108, "照合: 画面と %1 は一致しています", "Verified: the screen matches %1"},
    { 5109, "照合: %1 個のパラメータが異なります", "Verified: %1 parameters differ"},
    { 5110, "コントローラのバージョン: %1", "Controller version: %1"},
    { 5111, "アラームを解除しました", "Alarm reset"},
    { 5120, "パラメータを読み込む前に、現在編集中のパラメータを保存しますか？", "Save the edited parameters before they are replaced?"},
    { 5130, "COM%1 — %2", "COM%1 — %2"},
    { 5131, "シミュレータ", "simulator"},
    { 5132, "（装置なし）", "(no device)"},
    { 5140, "原点復帰しました", "Homing complete"},
    { 5141, "原点復帰の完了を待つのをやめました（コントローラは復帰を続けます）", "No longer waiting for the homing to end (the controller goes on)"},
    { 5142, "移動 %1 回、移動 %2 ms、サイクル %3 ms", "Moves: %1, move %2 ms, cycle %3 ms"},
    { 5143, "入出力モニタ実行中", "I/O monitor running"},
    { 5144, "実行中の移動のあとで停止します (Esc)", "Stops after the move in progress (Esc)"},
    { 5145, "履歴をCSVで保存...", "Save History as CSV..."},
    { 5146, "CSV(*.csv)|*.csv|すべてのファイル(*.*)|*.*", "CSV(*.csv)|*.csv|All Files(*.*)|*.*"},
    { 5147, "入出力の履歴を保存", "Save I/O History"},
    { 5148, "入出力モニタを停止しました", "I/O monitor stopped"},
    { 5149, "履歴を保存できませんでした。", "The history could not be saved."},
    { 5150, "印刷プレビュー(&V)", "Print Pre&view"},
    { 5160, "開けなかったポート:", "Ports that could not be opened:"},
    { 5161, "権限がありません。ユーザーを dialout グループに加え (sudo adduser $USER dialout)、ログインし直してください。", "No permission: add your user to the dialout group (sudo adduser $USER dialout), then log in again."},
    { 5162, "再検索", "Refresh"},
    { 5163, "開けます", "opens"},
    { 5170, "通信ログ(&L)", "Communication &Log"},
    { 5171, "一時停止", "Pause"},
    { 5172, "消去", "Clear"},
    { 5173, "コピー", "Copy"},
    { 5174, "保存...", "Save..."},
    { 5175, "ポーリングを隠す", "Hide polling"},
    { 5176, "ポーリング %1 行を隠しています。最新の 10,000 行を保持します（%2 行は消えました）。", "%1 polling lines hidden. The last 10,000 lines are kept (%2 dropped off)."},
    { 5177, "通信ログを保存", "Save Communication Log"},
    { 5178, "テキスト(*.txt)|*.txt|すべてのファイル(*.*)|*.*", "Text(*.txt)|*.txt|All Files(*.*)|*.*"},
    { 5179, "タイムアウト", "timeout"},
    { 5180, "応答の長さ違い", "wrong length"},
    { 5181, "エコー違い", "wrong echo"},
    { 5182, "コントローラのエラー応答", "controller error reply"},
    { 5183, "ログを保存できませんでした。", "The log could not be saved."},
    { 5190, "コントローラーが動作中のため、移動テストを開始しませんでした。", "The controller is moving; the move test did not start."},
    { 5191, "コントローラーがアラーム中のため、移動テストを開始しませんでした。", "The controller is in alarm; the move test did not start."},
    { 5200, "範囲: %1～%2", "Range: %1 to %2"},
    { 5201, "0.1～2.0 A（小数1桁）", "0.1 to 2.0 A (one decimal)"},
    { 5210, "「%1」に保存されていない変更があります。閉じる前に保存しますか？", "The %1 page has changes that are not saved. Save them before closing?"},
    { 5211, "%1 に値が入力されていません。", "%1 has no value."},
    { 5212, "マニュアルを開くプログラムが見つかりません。マニュアルはここにあります:\r\n%1", "No program was found to open the manual. It is here:\r\n%1"},
    { 5213, "移動 %1 回、移動 %2 ms", "Moves: %1, move %2 ms"},
    { 5214, "コントローラとはまだ通信していません", "No contact with the controller yet"},
    { 5215, "通信が途切れました：状態は不明です", "Line lost: the controller's state is unknown"},
    { 5216, "原点復帰中です。待つのをやめるにはもう一度「原点復帰」を押してください", "Homing… press Home again to stop waiting"},
    { 5217, "原点復帰中です。待つのをやめるには Ctrl+C を押してください", "Homing… press Ctrl+C to stop waiting"},
    { 5218, "モータ電流", "Motor current"},
    { 5230, "%1: %2 秒以内に接続できませんでした", "%1: no connection within %2 s"},
    { 5231, "%1: サーバーが RFC 2217 の回線設定（COM-PORT-OPTION）を受け付けません", "%1: the server refuses RFC 2217 line settings (COM-PORT-OPTION)"},
    { 5232, "%1: サーバーが %2 を %3 にしました（要求は %4）", "%1: the server set %2 to %3, not %4"},
    { 5233, "%1: %2 秒以内に回線設定の応答がありませんでした", "%1: no answer to the line settings within %2 s"},
    { 5234, "ネットワーク回線", "Network line"},
    { 5235, "ネットワーク回線のアドレスではありません: %1（tcp://ホスト:ポート または rfc2217://ホスト:ポート）", "Not a network line address: %1 (tcp://HOST:PORT or rfc2217://HOST:PORT)"},
    { 5237, "空いているポート番号（1〜32）がありません", "No port number (1 to 32) is free"},
    { 5238, "追加", "Add"},
    { 5239, "標準値からの変更を表示", "Mark changes from standard"},
    { 5240, "標準値: %1", "standard: %1"},
    { 5241, "サイズ %2 の標準値と異なる値: %1 個", "%1 values differ from the standard set of size %2"},
    { 5242, "サイズ %2（エンコーダ付き）の標準値と異なる値: %1 個", "%1 values differ from the standard set of size %2 with encoder"},
    { 5243, "サイズ「%1」の標準値はありません", "No standard set for size \"%1\""},
    { 5244, "パラメータファイルの比較(&M)…", "Co&mpare Parameter Files…"},
    { 5245, "パラメータの比較", "Compare Parameters"},
    { 5246, "A: パラメータファイル", "A: parameter file"},
    { 5247, "B:", "B:"},
    { 5248, "パラメータファイル", "Parameter file"},
    { 5249, "画面", "Screen"},
    { 5250, "コントローラ", "Controller"},
    { 5251, "選択...", "Choose..."},
    { 5252, "比較", "Compare"},
    { 5253, "違いだけ表示", "Differences only"},
    { 5254, "%2 個のパラメータのうち %1 個が異なります", "%1 of %2 parameters differ"},
    { 5255, "印刷...", "Print..."},
    { 5256, "PDF で保存...", "Save as PDF..."},
    { 5257, "テキストでコピー", "Copy as text"},
    { 5258, "閉じる", "Close"},
    { 5259, "グループ", "Group"},
    { 5260, "パラメータ", "Parameter"},
    { 5261, "標準値 サイズ %1", "Standard, size %1"},
    { 5262, "標準値 サイズ %1 エンコーダ付き", "Standard, size %1 with encoder"},
    { 5263, "比較するパラメータファイルを開く", "Open Parameter file to compare"},
    { 5264, "比較結果を PDF で保存", "Save comparison as PDF"},
    { 5265, "PDF(*.pdf)|*.pdf", "PDF(*.pdf)|*.pdf"},
    { 5266, "ファイル A を選んでください", "Choose file A first"},
    { 5267, "パラメータの比較: %1 個が異なります", "Parameters compared: %1 differ"},
    { 5268, "パラメータの比較: 同じです", "Parameters compared: the same"},
    { 5269, "ZT-KOV  パラメータ比較", "ZT-KOV  Parameter comparison"},
    { 5270, "%1 を保存できませんでした", "%1 could not be saved"},
    { 5271, "タイムライン…", "Timeline…"},
    { 5272, "統計…", "Statistics…"},
    { 5273, "移動時間 ms", "Move time ms"},
    { 5274, "サイクル時間 ms", "Cycle time ms"},
    { 5275, "回数 %1、最小 %2、中央値 %3、平均 %4、最大 %5、標準偏差 %6", "count %1, min %2, median %3, mean %4, max %5, SD %6"},
    { 5276, "入出力タイムライン", "I/O Timeline"},
    { 5277, "一時停止", "Pause"},
    { 5278, "全体", "Whole run"},
    { 5279, "PNG で保存…", "Save PNG…"},
    { 5280, "CSV で保存…", "Save CSV…"},
    { 5281, "%1 秒: %2", "%1 s: %2"},
    { 5282, "マーカー A–B: %1 秒", "Markers A–B: %1 s"},
    { 5283, "古い変化 %1 件は破棄しました", "%1 older changes dropped"},
    { 5284, "移動テストの統計", "Move Statistics"},
    { 5285, "各移動のサイクル時間（ms）", "Cycle time of each move (ms)"},
    { 5286, "クリック: マーカー A、Shift+クリック: マーカー B、ホイール・+/−: 拡大縮小", "Click: marker A, Shift+click: marker B, wheel or +/−: zoom"},
    { 5287, "PNG(*.png)|*.png", "PNG(*.png)|*.png"},
    { 5288, "タイムラインを PNG で保存", "Save timeline as PNG"},
    { 5289, "移動を CSV で保存", "Save moves as CSV"},
    { 5290, "拡大", "Zoom in"},
    { 5291, "縮小", "Zoom out"},
    { 5292, "移動はまだありません", "No moves yet"},
    { 5293, "ライン", "Line"},
    { 5294, "ステップ", "Step"},
    { 5295, "状態", "State"},
    { 5296, "時間", "Time"},
    { 5297, "待機", "waiting"},
    { 5298, "実行中", "running"},
    { 5299, "中止", "stopped"},
    { 5300, "失敗", "failed"},
    { 5301, "%1 ライン: OK %2、NG %3、失敗 %4、中止 %5", "%1 lines: %2 OK, %3 NG, %4 failed, %5 stopped"},
    { 5302, "Ctrl+C: 新しいステップは始めません。実行中のステップは終わるまで続けます。", "Ctrl+C: no new step starts; the steps running finish."},
    { 5310, "確認中…", "checking…"},
    { 5311, "コントローラが応答しました", "a controller answered"},
    { 5312, "接続しましたが、%1 秒以内にコントローラの応答がありませんでした", "connected, but no controller answered within %1 s"},
    { 5313, "COM%1 を %2 に割り当てました: %3", "COM%1 is set to %2: %3"},
};

constexpr bool sortedByNumber() {
  for (std::size_t i = 1; i < std::size(kRows); ++i)
    if (kRows[i - 1].n >= kRows[i].n)
      return false;
  return true;
}
static_assert(sortedByNumber(), "message rows must be sorted and unique");

const Row *rowFor(int n) {
  const auto it = std::lower_bound(std::begin(kRows), std::end(kRows), n,
                                   [](const Row &r, int v) { return r.n < v; });
  return (it != std::end(kRows) && it->n == n) ? it : nullptr;
}

} // namespace

namespace msgtable {

std::optional<QString> entry(int id) {
  const bool english = id >= EnglishBase;
  const Row *row = rowFor(english ? id - EnglishBase : id);
  if (!row)
    return std::nullopt;
  const char *text = english ? row->english : row->japanese;
  if (!text)
    return std::nullopt;
  return QString::fromUtf8(text);
}

} // namespace msgtable

QString Messages::text(int n) const {
  if (auto t = find(n))
    return *t;
  qWarning("missing message %d (table id %d)", n, base_ + n);
  return QStringLiteral("#%1").arg(n);
}

QString Messages::joined(std::initializer_list<int> ns) const {
  QStringList parts;
  for (int n : ns)
    parts << text(n);
  return parts.join(QStringLiteral("\r\n"));
}

std::optional<int> Messages::numberOf(const QString &shown) const {
  static const QRegularExpression argument(QStringLiteral("%\\d"));
  std::optional<int> best;
  qsizetype bestLength = 0;
  for (const Row &row : kRows) {
    const char *raw = base_ >= msgtable::EnglishBase ? row.english : row.japanese;
    if (!raw)
      continue;
    const QStringList pieces = QString::fromUtf8(raw).trimmed().split(argument);
    if (pieces.first().isEmpty() || !shown.trimmed().startsWith(pieces.first()))
      continue;
    qsizetype at = 0, length = 0;
    bool whole = true;
    for (const QString &piece : pieces) {
      const qsizetype found = shown.indexOf(piece, at);
      if (found < 0) {
        whole = false;
        break;
      }
      at = found + piece.size();
      length += piece.size();
    }
    if (whole && length > bestLength) {
      best = row.n;
      bestLength = length;
    }
  }
  return best;
}
