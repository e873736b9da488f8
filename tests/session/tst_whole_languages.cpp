// Every window of the program built in each language: each button has a key
// marker and no two controls of a window share one; Qt's own texts (message
// box buttons, file dialogs) follow the chosen language; the captions that
// used to be English in every language come from the language files.
#include "forms/backup/SettingsFile.h"
#include "forms/base/FormRefs.h"
#include "forms/base/Memoform.h"
#include "forms/misc/Miscconfigxform.h"
#include "forms/port/Portconfigform.h"
#include "forms/session/Loginform.h"
#include "forms/session/Mainform.h"
#include "forms/session/Restartconfigform.h"
#include "forms/session/Staticconfigform.h"
#include "forms/session/Welcomeform.h"
#include "forms/trunk/Trunkconfigform.h"
#include "forms/vlan/Editvlangrpform.h"
#include "forms/vlan/Vlanconfigform.h"
#include "forms/vlan/Vlanmemberxform.h"
#include "forms/vlan/Vlansupportform.h"
#include "lang/Language.h"
#include "lang/TextIds.h"
#include "shared/Publicunit.h"
#include "tests/harness/ProgramReset.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QKeySequence>
#include <QLabel>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

#include <memory>
#include <vector>

namespace {

QtMessageHandler s_previousHandler = nullptr;
void QuietOffscreen(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (message.contains(QLatin1String("This plugin does not support"))) return;
    if (s_previousHandler) s_previousHandler(type, context, message);
}

// Every window a session shows, built in the language in force.
std::vector<std::unique_ptr<QWidget>> EveryWindow() {
    std::vector<std::unique_ptr<QWidget>> windows;
    windows.emplace_back(new TfrmLogin);
    windows.emplace_back(new TfrmMain);
    windows.emplace_back(new TfrmStaticConfig);
    windows.emplace_back(new TfrmRestartConfig);
    windows.emplace_back(new TfrmVlanConfig);
    windows.emplace_back(new TfrmPortConfig);
    windows.emplace_back(new TfrmTrkConfig);
    windows.emplace_back(new TfrmMiscConfigX);
    windows.emplace_back(new TfrmVlanSupport);
    windows.emplace_back(new TfrmVlanMemberX);
    windows.emplace_back(new TfrmEditVlanGrp);
    windows.emplace_back(new TfrmMemo);
    return windows;
}

// The console monitor's button has its own key, F12.
bool OwnKey(const QAbstractButton* b) {
    return b->objectName() == QLatin1String("btnMonitor");
}

// "window: button" for each push button without a marker, and
// "window: key A on X and Y" for each marker two controls share.
QStringList MarkerFaults(QWidget* window) {
    QStringList faults;
    QMap<QString, QString> taken;
    for (QAbstractButton* b : window->findChildren<QAbstractButton*>()) {
        if (OwnKey(b)) continue;
        const QString key = QKeySequence::mnemonic(b->text()).toString();
        if (key.isEmpty()) {
            if (qobject_cast<QPushButton*>(b))
                faults << window->objectName() + QStringLiteral(": ") + b->objectName();
            continue;
        }
        if (taken.contains(key))
            faults << window->objectName() + QStringLiteral(": key ") + key +
                          QStringLiteral(" on ") + taken[key] + QStringLiteral(" and ") +
                          b->objectName();
        taken[key] = b->objectName();
    }
    return faults;
}

bool HasChinese(const QString& text) {
    for (QChar c : text)
        if (c.unicode() >= 0x4E00 && c.unicode() <= 0x9FFF) return true;
    return false;
}

} // namespace

class WholeLanguagesTest : public QObject {
    Q_OBJECT

    void SelectItem(int item) {
        QVERIFY(SelectLanguage(item));
        // The start window is made before the language is chosen, as at start.
    }

private slots:
    void initTestCase() {
        s_previousHandler = qInstallMessageHandler(QuietOffscreen);
        InstallSettingsFileButtons();
    }
    void cleanupTestCase() { qInstallMessageHandler(s_previousHandler); }
    void init() {
        ResetProgramState();
        ResetLanguageState();
        QVERIFY(LoadLanguageByName(LanguageFileName(0)));
    }
    void cleanup() {
        frmWelcome.clear();
        ResetLanguageState();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    void languages_data() {
        QTest::addColumn<int>("item");
        QTest::newRow("English") << 0;
        QTest::newRow("Simplified Chinese") << 1;
        QTest::newRow("Traditional Chinese") << 2;
    }

    // Every push button has a key marker; no two controls of a window share
    // one (check boxes and radio buttons with a marker count too).
    void markersWithoutClashes_data() { languages_data(); }
    void markersWithoutClashes() {
        QFETCH(int, item);
        auto* welcome = new TfrmWelcome;
        welcome->cboLang->setCurrentIndex(item);
        welcome->cboLangChange();
        QCOMPARE(LanguageId, LanguageIdForItem(item));
        QStringList faults = MarkerFaults(welcome);
        for (const auto& w : EveryWindow())
            faults += MarkerFaults(w.get());
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QStringLiteral("; "))));
    }

    // Qt's own buttons and dialogs: Chinese in Chinese, and English again
    // after going back; the two Chinese languages each their own.
    void qtTextsFollowTheLanguage() {
        // Debian's qt6-translations-l10n (scripts/setup installs it).
        if (!QFile::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath) +
                           QStringLiteral("/qtbase_zh_CN.qm")))
            QSKIP("Qt's translations are not installed (qt6-translations-l10n)");
        const auto yes = [] {
            QMessageBox box(QMessageBox::Question, QString(), QString(),
                            QMessageBox::Yes | QMessageBox::No);
            return box.button(QMessageBox::Yes)->text();
        };
        const auto save = [] {
            QDialogButtonBox buttons(QDialogButtonBox::Save);
            return buttons.button(QDialogButtonBox::Save)->text();
        };
        const QString englishYes = yes();
        const QString englishSave = save();
        QVERIFY(!HasChinese(englishYes));

        SelectItem(1);
        const QString simplifiedSave = save();
        QVERIFY2(HasChinese(yes()), qPrintable(yes()));
        QVERIFY2(HasChinese(simplifiedSave), qPrintable(simplifiedSave));
        QVERIFY(HasChinese(QCoreApplication::translate("QFileDialog", "Look in:")));

        SelectItem(2);
        QVERIFY(HasChinese(save()));
        QVERIFY2(save() != simplifiedSave, qPrintable(save()));

        SelectItem(0);
        QCOMPARE(yes(), englishYes);
        QCOMPARE(save(), englishSave);
    }

    // The captions that were English in every language: the main window's
    // version, the VLAN support window's column headings, the trunk
    // window's tool tips.
    void formerEnglishCaptions_data() { languages_data(); }
    void formerEnglishCaptions() {
        QFETCH(int, item);
        SelectItem(item);
        TfrmMain main;
        main.Show();
        QVERIFY2(main.lblVersion->text().startsWith(LangText(txt::WelcomeVersion)),
                 qPrintable(main.lblVersion->text()));
        TfrmVlanSupport support;
        for (int c = 1; c <= 3; ++c) {
            QCOMPARE(support.findChild<QLabel*>(QStringLiteral("lblPort%1").arg(c))->text(),
                     LangText(txt::PortHeadingPort));
            QCOMPARE(support.findChild<QLabel*>(QStringLiteral("lblPVID%1").arg(c))->text(),
                     LangText(1400).trimmed());
        }
        TfrmTrkConfig trunk;
        QCOMPARE(trunk.findChild<QRadioButton*>(QStringLiteral("optP03K2"))->toolTip(),
                 LangText(1401).trimmed());
        QCOMPARE(trunk.findChild<QCheckBox*>(QStringLiteral("chkTrk5"))->toolTip(),
                 LangText(1402).trimmed());
        if (item > 0) {
            QVERIFY(HasChinese(main.lblVersion->text()));
            QVERIFY(HasChinese(LangText(1401)));
        }
    }
};

QTEST_MAIN(WholeLanguagesTest)
#include "tst_whole_languages.moc"
