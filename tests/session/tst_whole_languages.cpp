// Qt's own texts (message box buttons, file dialogs) follow the chosen
// language, and the captions that used to be English in every language come
// from the language files.
#include "forms/backup/SettingsFile.h"
#include "lang/TextIds.h"
#include "tests/harness/EveryWindow.h"
#include "tests/harness/WindowTest.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QLabel>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QRadioButton>
#include <QtTest>

namespace {

bool HasChinese(const QString& text) {
    for (QChar c : text)
        if (c.unicode() >= 0x4E00 && c.unicode() <= 0x9FFF) return true;
    return false;
}

} // namespace

class WholeLanguagesTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        steps::QuietOffscreen();
        InstallSettingsFileButtons();
    }
    void init() {
        ResetProgramState();
        ResetLanguageState();
        QVERIFY(LoadLanguageByName(LanguageFileName(0)));
    }
    void cleanup() { ResetLanguageState(); }

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

        QVERIFY(SelectLanguage(1));
        const QString simplifiedSave = save();
        QVERIFY2(HasChinese(yes()), qPrintable(yes()));
        QVERIFY2(HasChinese(simplifiedSave), qPrintable(simplifiedSave));
        QVERIFY(HasChinese(QCoreApplication::translate("QFileDialog", "Look in:")));

        QVERIFY(SelectLanguage(2));
        QVERIFY(HasChinese(save()));
        QVERIFY2(save() != simplifiedSave, qPrintable(save()));

        QVERIFY(SelectLanguage(0));
        QCOMPARE(yes(), englishYes);
        QCOMPARE(save(), englishSave);
    }

    // The captions that were English in every language: the main window's
    // version, the VLAN support window's column headings, the trunk
    // window's tool tips.
    void formerEnglishCaptions_data() {
        QTest::addColumn<int>("item");
        for (int l = 0; l < 3; ++l)
            QTest::newRow(steps::kLanguageNames[l]) << l;
    }
    void formerEnglishCaptions() {
        QFETCH(int, item);
        QVERIFY(SelectLanguage(item));
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
