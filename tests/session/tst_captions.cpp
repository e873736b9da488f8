// Every window in the three languages, chosen on the start window as a user
// does: its captions (written out here, not read from the language files), key
// markers without clashes, a name for screen readers on every control (a box
// its label's caption), and every control at least as large as it asks to be
// (port, trunk and misc also filled from the switch). CTest runs this at scale
// 1 and 2, where rounding of the larger fonts shows up first.
#include "forms/backup/SettingsFile.h"
#include "tests/harness/ConfigSession.h"
#include "tests/harness/EveryWindow.h"
#include "tests/harness/WindowTest.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include <algorithm>
#include <vector>

namespace {

struct Caption {
    const char* control;       // "" for the window's title
    const char* text[3];       // English, Simplified and Traditional Chinese
    const char* box = nullptr; // an edit or list box named by this label
};
// By the names of steps::kEveryWindow, so a new window must come with its captions.
struct Window {
    const char* name;
    std::vector<Caption> captions;
};

// clang-format off
const Window kWindows[] = {
    {"start",
     {{"", {"24 +2 Tavik Switch - Welcome", "24 +2 Tavik Switch - 欢迎", "24 +2 Tavik Switch - 歡迎"}},
      {"Label1", {"Welcome to", "欢迎使用", "歡迎使用"}},
      {"lblTavik", {"24 +2 Tavik Switch User Interface", "24 +2 Tavik Switch 用户界面", "24 +2 Tavik Switch 使用者介面"}},
      {"Label3", {"Serial Port :", "串口 :", "序列埠 :"}, "cboComPort"},
      {"Label2", {"Language", "语言", "語言"}, "cboLang"},
      {"btnConnect", {"Connect", "连接", "連線"}},
      {"btnExit", {"Exit", "退出", "離開"}},
      {"btnMonitor", {"Console monitor (F12)", "控制台监视器 (F12)", "主控台監視器 (F12)"}}}},
    {"login",
     {{"", {"24 +2 Tavik Switch -  Login Form", "24 +2 Tavik Switch - 登录", "24 +2 Tavik Switch - 登入"}},
      {"lblTavik", {"24 +2 Tavik Switch User Interface ", "24 +2 Tavik Switch 用户界面", "24 +2 Tavik Switch 使用者介面"}},
      {"Label1", {"User Name : ", "用户名 : ", "使用者名稱 : "}, "edtUsername"},
      {"Label2", {"Password :", "密码 :", "密碼 :"}, "edtPassword"},
      {"btnLogin", {"Login ", "登录", "登入"}},
      {"btnExit", {"Exit", "退出", "離開"}}}},
    {"main menu",
     {{"", {"24 +2 Tavik Switch - Main Menu", "24 +2 Tavik Switch - 主菜单", "24 +2 Tavik Switch - 主選單"}},
      {"Label1", {"Main Menu", "主菜单", "主選單"}},
      {"btnStaticConfig", {"Switch Static Configuration", "交换机静态配置", "交換器靜態設定"}},
      {"btnReboot", {"Reboot Switch", "重启交换机", "重新啟動交換器"}},
      {"btnLogout", {"Logout", "注销", "登出"}},
      {"btnSaveSettings", {"Save settings to file...", "将设置保存到文件...", "將設定儲存到檔案..."}},
      {"btnRestoreSettings", {"Restore settings from file...", "从文件恢复设置...", "從檔案還原設定..."}},
      {"btnMonitor", {"Console monitor (F12)", "控制台监视器 (F12)", "主控台監視器 (F12)"}}}},
    {"static menu",
     {{"", {"24 +2 Tavik Switch - Static Configuration", "24 +2 Tavik Switch - 静态配置", "24 +2 Tavik Switch - 靜態設定"}},
      {"Label1", {"Switch Static Configuration", "交换机静态配置", "交換器靜態設定"}},
      {"btnPortConfig", {"Port Configuration", "端口配置", "連接埠設定"}},
      {"btnTrunkConfig", {"Trunk Configuration", "Trunk 配置", "Trunk 設定"}},
      {"btnVlanConfig", {"VLAN Configuration", "VLAN 配置", "VLAN 設定"}},
      {"btnMiscConfig", {"Misc Configuration", "其他配置", "其他設定"}},
      {"btnMainMenu", {"Main Menu", "主菜单", "主選單"}}}},
    {"restart menu",
     {{"", {"24 +2 Tavik Switch - Restart Configuration", "24 +2 Tavik Switch - 重启配置", "24 +2 Tavik Switch - 重新啟動設定"}},
      {"Label1", {"Restart Configuration", "重启配置", "重新啟動設定"}},
      {"btnDefault", {"Default", "恢复出厂设置", "恢復出廠設定"}},
      {"btnRestart", {"Restart", "重启", "重新啟動"}},
      {"btnPrevMenu", {"Previous Menu", "上一级菜单", "上一層選單"}}}},
    {"port",
     {{"", {"24 +2 Tavik Switch - Port Configuration", "24 +2 Tavik Switch - 端口配置", "24 +2 Tavik Switch - 連接埠設定"}},
      {"Label1", {"Port Configuration", "端口配置", "連接埠設定"}},
      {"Label2", {"Port", "端口", "連接埠"}},
      {"Label3", {"Type", "类型", "類型"}},
      {"Label4", {"InRate (100K)", "入口速率 (100K)", "輸入速率 (100K)"}},
      {"Label5", {"OutRate (100K)", "出口速率 (100K)", "輸出速率 (100K)"}},
      {"Label6", {"Port Enable", "端口启用", "啟用"}},
      {"Label7", {"Auto Nego.", "自动协商", "自動協商"}},
      {"Label8", {"Spd / Dpx", "速率 / 双工", "速度 / 雙工"}},
      {"Label9", {"Flow Control", "流量控制", "流量控制"}},
      {"Label10", {"Full", "全双工", "全雙工"}},
      {"Label11", {"Half", "半双工", "半雙工"}},
      {"btnPrevPage", {"Previous Page", "上一页", "上一頁"}},
      {"btnNextPage", {"Next Page", "下一页", "下一頁"}},
      {"btnSave", {"Apply", "应用", "套用"}},
      {"btnQuit", {"Exit", "退出", "離開"}},
      {"lblGarbled", {"Greyed-out rows were not read cleanly; Apply leaves them unchanged.", "灰色的行未能正确读取，应用时不会更改。", "灰色的列未能正確讀取，套用時不會變更。"}},
      {"Label12", {"1. \"Apply\" button will save the current settings for all available ports", "1. \"应用\" 按钮将保存所有可用端口的当前设置", "1. \"套用\" 按鈕會儲存所有可用連接埠的目前設定"}},
      {"Label13", {"NOTES:", "说明:", "說明:"}},
      {"Label14", {"2. Port 1 -- 24 can do rate control (InRate & OutRate fields); valid range: 0 -- 1000", "2. 端口 1 -- 24 可做速率控制 (入口 / 出口速率)；有效范围: 0 -- 1000", "2. 連接埠 1 -- 24 可做速率控制 (輸入 / 輸出速率)；有效範圍: 0 -- 1000"}},
      {"Label15", {"    ** Values for rate control:  0 (default) to disable rate control ", "** 速率控制的取值: 0 (默认) 表示不限速", "** 速率控制的值: 0 (預設) 表示不限速"}},
      {"Label16", {"1 -- 1000 to set valid control rate (100Kbps/unit) ", "1 -- 1000 表示限速值 (单位 100Kbps)", "1 -- 1000 表示限速值 (單位 100Kbps)"}},
      {"Label17", {"4. Module port / module trunk can not do rate control.", "4. 模块端口 / 模块 Trunk 不能做速率控制", "4. 模組埠 / 模組 Trunk 不能做速率控制"}},
      {"Label18", {"3. Type \"NC\" means this port can not configure speed & duplex field", "3. 类型为 \"NC\" 的端口不能设置速率和双工", "3. 類型為 \"NC\" 的連接埠不能設定速度與雙工"}}}},
    {"trunk",
     {{"", {"24 +2 Tavik Switch - Trunk Configuration", "24 +2 Tavik Switch - Trunk 配置", "24 +2 Tavik Switch - Trunk 設定"}},
      {"Label1", {"Trunk Configuration ", "Trunk 配置", "Trunk 設定"}},
      {"Label28", {"Port #", "端口 #", "連接埠 #"}},
      {"Label33", {"WARNINGS:", "警告:", "警告:"}},
      {"Label27", {"1. Each trunk must contain at least 2 or up to 4 member ports", "1. 每个 Trunk 必须包含 2 至 4 个成员端口", "1. 每個 Trunk 必須包含 2 至 4 個成員埠"}},
      {"Label30", {"2. Each port may belong to only one trunk", "2. 每个端口只能属于一个 Trunk", "2. 每個連接埠只能屬於一個 Trunk"}},
      {"Label31", {"3. Mega ports (port 1 - 24) CAN NOT be trunked with module ports (port M1 & M2)", "3. 端口 1 - 24 不能与模块端口 M1、M2 组成 Trunk", "3. 連接埠 1 - 24 不能與模組埠 M1、M2 組成 Trunk"}},
      {"Label32", {"4. Check / uncheck the checkbox to ENABLE / DISABLE the trunk port", "4. 勾选 / 取消勾选复选框可启用 / 停用 Trunk", "4. 勾選 / 取消勾選核取方塊可啟用 / 停用 Trunk"}},
      {"Label34", {"5. Click / double-click the radio button to ENABLE / DISABLE the trunk port member", "5. 单击 / 双击单选按钮可加入 / 移除 Trunk 成员端口", "5. 按一下 / 按兩下選項按鈕可加入 / 移除 Trunk 成員埠"}},
      {"Label35", {"6. Be sure to ENABLE the trunk if port members of a trunk are selected", "6. 选择 Trunk 成员端口后，请务必启用该 Trunk", "6. 選取 Trunk 成員埠後，請務必啟用該 Trunk"}},
      {"btnSave", {"Apply", "应用", "套用"}},
      {"btnQuit", {"Exit", "退出", "離開"}},
      {"lblGarbled", {"The trunk screen did not read cleanly, even twice, so Apply is off. Exit and reopen it.", "Trunk 配置画面读取两次仍未正确，因此无法应用。请退出后重新打开此窗口。", "Trunk 設定畫面讀取兩次仍不正確，因此無法套用。請離開後重新開啟此視窗。"}}}},
    {"misc",
     {{"", {"24 +2 Tavik Switch - Misc Configuration", "24 +2 Tavik Switch - 其他配置", "24 +2 Tavik Switch - 其他設定"}},
      {"Label1", {"Misc Configuration", "其他配置", "其他設定"}},
      {"chkRetryForever", {"Enabled", "启用", "啟用"}},
      {"chkAutoAging", {"Enabled", "启用", "啟用"}},
      {"Label8", {"User Name :", "用户名 :", "使用者名稱 :"}, "edtUsername"},
      {"Label2", {"Old Password :", "旧密码 :", "舊密碼 :"}, "edtOldPassword"},
      {"Label3", {"New Password :", "新密码 :", "新密碼 :"}, "edtNewPassword"},
      {"Label4", {"Enter Again :", "确认新密码 :", "再次輸入 :"}, "edtPasswordAgain"},
      {"Label5", {"Retry Forever :", "无限重试 :", "永久重試 :"}},
      {"Label6", {"Auto-Aging :", "自动老化 :", "自動老化 :"}},
      {"Label7", {"Mac Hash Algorithm :", "MAC 哈希算法 :", "MAC 雜湊演算法 :"}},
      {"btnSave", {"Apply", "应用", "套用"}},
      {"btnQuit", {"Exit", "退出", "離開"}}}},
    {"VLAN menu",
     {{"", {"24 +2 Tavik Switch - VLAN Configuration ", "24 +2 Tavik Switch - VLAN 配置 ", "24 +2 Tavik Switch - VLAN 設定 "}},
      {"Label1", {"VLAN Configuration", "VLAN 配置", "VLAN 設定"}},
      {"btnConfig", {"VLAN Configure", "VLAN 设置", "VLAN 組態"}},
      {"btnCreate", {"Create a VLAN Group", "新建 VLAN 组", "新增 VLAN 群組"}},
      {"btnEdit", {"Edit / Delete a VLAN Group", "编辑 / 删除 VLAN 组", "編輯 / 刪除 VLAN 群組"}},
      {"btnPrevMenu", {"Previous Menu", "上一级菜单", "上一層選單"}}}},
    {"VLAN support",
     {{"", {"24 +2 Tavik Switch - VLAN Support Configuration", "24 +2 Tavik Switch - VLAN 支持配置", "24 +2 Tavik Switch - VLAN 支援設定"}},
      {"Label1", {"VLAN Support Configuration", "VLAN 支持配置", "VLAN 支援設定"}},
      {"Label12", {"VLAN Mode :  ", "VLAN 模式 :  ", "VLAN 模式 :  "}},
      {"Label3", {"NOTE:", "注意:", "注意:"}},
      {"Label2", {"Valid PVID input range is from 1(default)  to 255", "PVID 的有效范围为 1 (默认) 至 255", "PVID 的有效範圍為 1 (預設) 至 255"}},
      {"btnSave", {"Apply", "应用", "套用"}},
      {"btnQuit", {"Exit", "退出", "離開"}},
      {"lblGarbled", {"Greyed-out rows were not read cleanly; Apply leaves them unchanged.", "灰色的行未能正确读取，应用时不会更改。", "灰色的列未能正確讀取，套用時不會變更。"}}}},
    {"VLAN group",
     {{"", {"24 +2 Tavik Switch - Add / Edit a VLAN Group", "24 +2 Tavik Switch - 新建 / 编辑 VLAN 组", "24 +2 Tavik Switch - 新增 / 編輯 VLAN 群組"}},
      {"lblFormTitle", {"Add / Edit a VLAN Group", "新建 / 编辑 VLAN 组", "新增 / 編輯 VLAN 群組"}},
      {"lblVlanName", {"VLAN Name:", "VLAN 名称:", "VLAN 名稱:"}},
      {"lblPort1", {"Port", "端口", "連接埠"}},
      {"lblMember1", {"Member", "成员", "成員"}},
      {"btnSave", {"Apply", "应用", "套用"}},
      {"btnQuit", {"Exit", "退出", "離開"}},
      {"lblGarbled", {"Greyed-out rows were not read cleanly; Apply leaves them unchanged.", "灰色的行未能正确读取，应用时不会更改。", "灰色的列未能正確讀取，套用時不會變更。"}}}},
    {"VLAN group list",
     {{"", {"24 +2 Tavik Switch - Edit / Delete a VLAN Group", "24 +2 Tavik Switch - 编辑 / 删除 VLAN 组", "24 +2 Tavik Switch - 編輯 / 刪除 VLAN 群組"}},
      {"Label1", {"Edit / Delete a VLAN Group", "编辑 / 删除 VLAN 组", "編輯 / 刪除 VLAN 群組"}},
      {"Label2", {"VLAN Name", "VLAN 名称", "VLAN 名稱"}},
      {"btnEdit", {"Edit", "编辑", "編輯"}},
      {"btnDelete", {"Delete", "删除", "刪除"}},
      {"btnQuit", {"Exit", "退出", "離開"}}}},
    {"console monitor",
     {{"", {"Console monitor", "控制台监视器", "主控台監視器"}},
      {"btnCopy", {"Copy", "复制", "複製"}}}},
    {"busy",
     {{"", {"GUI Message Box", "GUI 消息框", "GUI 訊息視窗"}}}},
};
// clang-format on

// An accessible name reads a caption without its colon and extra blanks.
QString Named(const QString& caption) {
    QString name = WithoutMnemonic(caption).simplified();
    while (name.endsWith(QLatin1Char(':')) || name.endsWith(QChar(0xFF1A)))
        name = name.chopped(1).trimmed();
    return name;
}

// "button" for each push button without a marker, "key A on X and Y" for each
// marker two controls share. The console monitor's button has its own key, F12.
QStringList MarkerFaults(QWidget* window) {
    QStringList faults;
    QMap<QString, QString> taken;
    for (QAbstractButton* b : window->findChildren<QAbstractButton*>()) {
        const QString key = QKeySequence::mnemonic(b->text()).toString();
        if (b->objectName() == QLatin1String("btnMonitor")) continue;
        if (key.isEmpty() && qobject_cast<QPushButton*>(b)) faults << b->objectName();
        if (key.isEmpty()) continue;
        if (taken.contains(key))
            faults << QStringLiteral("key %1 on %2 and %3").arg(key, taken[key], b->objectName());
        taken[key] = b->objectName();
    }
    return faults;
}

QString TextOf(QWidget* w) {
    if (auto* label = qobject_cast<QLabel*>(w)) return label->text();
    if (auto* button = qobject_cast<QAbstractButton*>(w)) return button->text();
    return w->windowTitle();
}

// An edit box's own hint is room for seventeen x's whatever it is for; what
// it must show is its text or, while empty, its placeholder.
int EditWidthNeeded(const QLineEdit* edit) {
    const QFontMetrics fm = edit->fontMetrics();
    const QString shown = edit->text().isEmpty() ? edit->placeholderText() : edit->text();
    const int chrome = edit->sizeHint().width() - 17 * fm.horizontalAdvance(QLatin1Char('x'));
    return chrome + fm.horizontalAdvance(shown);
}

// The size a control needs; a word-wrapped label takes the height its width
// gives it, and any width.
QSize Needed(QWidget* control) {
    if (auto* label = qobject_cast<QLabel*>(control); label && label->wordWrap())
        return {0, label->heightForWidth(label->width())};
    if (auto* edit = qobject_cast<QLineEdit*>(control))
        return {EditWidthNeeded(edit), edit->sizeHint().height()};
    return control->sizeHint();
}

// Labels, buttons, edit and list boxes (not a list box's own edit).
bool Checked(QWidget* control) {
    if (qobject_cast<QComboBox*>(control->parentWidget())) return false;
    return qobject_cast<QLabel*>(control) || qobject_cast<QAbstractButton*>(control) ||
           qobject_cast<QLineEdit*>(control) || qobject_cast<QComboBox*>(control);
}

// "" when every control fits, else the window, language and scale, and each
// control smaller than it needs with what it has and needs. Controls inside a
// panel still hidden count: the panel shows them once the switch's screen is read.
QString Unfit(QWidget* window, const char* name, int language) {
    QStringList cut;
    for (QWidget* c : window->findChildren<QWidget*>()) {
        const QSize needed = Checked(c) && !c->isHidden() ? Needed(c) : QSize();
        if (c->width() < needed.width() || c->height() < needed.height())
            cut << QStringLiteral("%1 \"%2\": %3x%4, needs %5x%6")
                       .arg(c->objectName().isEmpty() ? c->metaObject()->className()
                                                      : c->objectName())
                       .arg(TextOf(c).left(40))
                       .arg(c->width())
                       .arg(c->height())
                       .arg(needed.width())
                       .arg(needed.height());
    }
    if (cut.isEmpty()) return {};
    return QStringLiteral("%1, %2, scale %3: ")
               .arg(QLatin1String(name), QLatin1String(steps::kLanguageNames[language]),
                    qEnvironmentVariable("QT_SCALE_FACTOR", "1")) +
           cut.join(QStringLiteral("; "));
}

// A window's picture, "-x2" at scale 2.
void Picture(QWidget* w, QString name, int language) {
    if (qEnvironmentVariable("QT_SCALE_FACTOR") == QLatin1String("2")) name += QStringLiteral("-x2");
    steps::SaveScreenshot(w, name, language);
}

// The gallery's picture of a filled window, where no flow test takes one
// with more set.
const struct {
    const char* name;
    bool (ConfigSession::*open)();
    QWidget* (*shown)();
    const char* picture;
} kFilled[] = {{"port, filled", &ConfigSession::OpenPortWindow,
                []() -> QWidget* { return frmPortConfig.get(); }, nullptr},
               {"trunk, filled", &ConfigSession::OpenTrunkWindow,
                []() -> QWidget* { return frmTrkConfig.get(); }, nullptr},
               {"misc, filled", &ConfigSession::OpenMiscWindow,
                []() -> QWidget* { return frmMiscConfigX.get(); }, "misc-configuration"}};

} // namespace

class CaptionsTest : public QObject {
    Q_OBJECT
    MessageBoxes boxes_;

private slots:
    // The main window carries the settings-file buttons, as in the program.
    void initTestCase() { InstallSettingsFileButtons(); }
    void init() {
        steps::BeginCase(boxes_);
        ResetLanguageState();
    }
    void cleanup() { steps::EndSession(); }

    void captions_data() {
        QTest::addColumn<int>("window");
        QTest::addColumn<int>("language");
        for (int w = 0; w < int(std::size(steps::kEveryWindow)); ++w)
            for (int l = 0; l < 3; ++l)
                QTest::addRow("%s, %s", steps::kEveryWindow[w].name, steps::kLanguageNames[l])
                    << w << l;
    }
    void captions() {
        QFETCH(int, window);
        QFETCH(int, language);
        // The start window comes up in English and is switched, so its texts
        // and names are applied a second time.
        steps::ShowWelcome(0);
        frmWelcome->cboLang->setCurrentIndex(language);
        const char* name = steps::kEveryWindow[window].name;
        const Window* captions =
            std::find_if(std::begin(kWindows), std::end(kWindows),
                         [name](const Window& w) { return !qstrcmp(w.name, name); });
        QVERIFY2(captions != std::end(kWindows), name);
        TForm* w = steps::kEveryWindow[window].make();
        QVERIFY(w);
        w->Show();
        for (const Caption& c : captions->captions) {
            const QString expected = QString::fromUtf8(c.text[language]);
            QWidget* control = *c.control ? w->findChild<QWidget*>(c.control) : w;
            QVERIFY2(control, c.control);
            // A button's key marker is left out here (MarkerFaults checks them).
            const bool button = qobject_cast<QAbstractButton*>(control);
            QCOMPARE(button ? WithoutMnemonic(TextOf(control)) : TextOf(control), expected);
            if (button) QCOMPARE(control->accessibleName(), Named(expected));
            if (c.box) QCOMPARE(w->findChild<QWidget*>(c.box)->accessibleName(), Named(expected));
        }
        const QStringList faults = MarkerFaults(w);
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QStringLiteral("; "))));
        QCoreApplication::processEvents();
        const QString unfit = Unfit(w, name, language);
        // Every window's picture as drawn before a switch fills it,
        // "window-<name>", "-x2" at scale 2 (the flow tests take the filled
        // ones); the gallery takes the menus from here.
        Picture(w, QStringLiteral("window-") + QString::fromLatin1(name).toLower().replace(' ', '-'),
                language);
        QVERIFY2(unfit.isEmpty(), qPrintable(unfit));
        // Every box and every button with a caption (the port and trunk
        // grids' cells have none) has a name.
        for (QWidget* c : w->findChildren<QWidget*>()) {
            auto* button = qobject_cast<QAbstractButton*>(c);
            const bool box = qobject_cast<QLineEdit*>(c) || qobject_cast<QComboBox*>(c);
            if ((box || (button && !button->text().isEmpty())) &&
                !qobject_cast<QComboBox*>(c->parentWidget()))
                QVERIFY2(!c->accessibleName().isEmpty(), qPrintable(c->objectName()));
        }
    }

    // The port grid's rows, the trunk grid, the misc window's values.
    void filledWindowsFit_data() {
        QTest::addColumn<int>("window");
        QTest::addColumn<int>("language");
        for (int w = 0; w < 3; ++w)
            for (int l = 0; l < 3; ++l)
                QTest::addRow("%s, %s", kFilled[w].name, steps::kLanguageNames[l]) << w << l;
    }
    void filledWindowsFit() {
        QFETCH(int, window);
        QFETCH(int, language);
        ConfigSession s;
        QVERIFY(s.Open({}, language) && (s.*kFilled[window].open)());
        const QString unfit = Unfit(kFilled[window].shown(), kFilled[window].name, language);
        if (kFilled[window].picture)
            Picture(kFilled[window].shown(), QLatin1String(kFilled[window].picture), language);
        QVERIFY2(unfit.isEmpty(), qPrintable(unfit));
    }

    // The group list's header is smaller under Chinese.
    void groupListHeader_data() { steps::LanguageRows(); }
    void groupListHeader() {
        QFETCH(int, language);
        steps::ShowWelcome(0);
        frmWelcome->cboLang->setCurrentIndex(language);
        auto* header = steps::Make(frmEditVlanGrp)->findChild<QLabel*>(QStringLiteral("Label2"));
        QCOMPARE(header->font().pointSize(), language == 0 ? 9 : 8);
    }
};

QTEST_MAIN(CaptionsTest)
#include "tst_captions.moc"
