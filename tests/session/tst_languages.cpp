// Language files: the loader's line rules and limits, the lookup, the
// language box choice, decoding, and the three shipped files; Qt's own texts
// follow the language, and no window keeps a caption that was English in all.
#include "engine/PageTable.h"
#include "lang/Language.h"
#include "lang/TextIds.h"
#include "shared/Publicunit.h"
#include "tests/harness/EveryWindow.h"
#include "tests/harness/WindowTest.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QLabel>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QRadioButton>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTest>

#include <cstdio>
#include <string>

namespace {

bool HasChinese(const QString& text) {
    for (QChar c : text)
        if (c.unicode() >= 0x4E00 && c.unicode() <= 0x9FFF) return true;
    return false;
}

} // namespace

class LangTest : public QObject {
    Q_OBJECT

    // Loads `bytes` as a language file; returns the loader's entry count.
    static int Load(const QByteArray& bytes) {
        FILE* f = std::tmpfile();
        std::fwrite(bytes.constData(), 1, size_t(bytes.size()), f);
        std::rewind(f);
        return LoadLanguageFile(f);
    }

private slots:
    void initTestCase() { steps::QuietOffscreen(); }
    void init() {
        ResetProgramState();
        ResetLanguageState();
    }
    void cleanupTestCase() { ResetLanguageState(); }

    void lineRules() {
        const QByteArray longText(200, 'x');
        const std::string cut(kLangMaxLineText, 'x');
        const int n = Load("\xEF\xBB\xBF"
                           "5 Hello\n1300 Hello\n6\tTab separated\n7  two blanks\n"
                           "\n   \n\t\n   8 indented\n9 windows\r\n1301 windows message\r\n"
                           "10\n1302\n11xglued\n"
                           "# comment\n-\n+x\n99999999999 too big\nabc 31 not an id\n-5 negative\n"
                           "20 first\n20 second\n40 " +
                           longText + "\n1310 " + longText + "\n41 next\n12 no line end");
        // Blank and number-less lines, and the rest of a long line, take no
        // entry: the 17 are the texts below and the second 20.
        QCOMPARE(n, 17);
        // clang-format off
        const std::pair<int, std::string> want[] = {
            {5, "Hello"}, {1300, "Hello\n"}, {6, "Tab separated"}, {7, " two blanks"}, {8, "indented"},
            {9, "windows"}, {1301, "windows message\n"}, {10, ""}, {1302, "\n"}, {11, "glued"},
            {-5, "negative"}, {20, "first"}, {40, cut}, {1310, cut + "\n"}, {41, "next"},
            {12, "no line end"}};
        // clang-format on
        for (const auto& [id, text] : want)
            QCOMPARE(std::string(GetLangText(id)), text);
    }

    void tableAndLookupAreBounded() {
        QByteArray file;
        for (int i = 0; i < 450; ++i)
            file += QByteArray::number(1000 + i) + " line" + QByteArray::number(i) + "\n";
        QCOMPARE(Load(file), kLangTableSize);
        // Every loaded entry is searched (line 250 and the last one); an id
        // past the table's room, or never in the file, reads empty.
        QCOMPARE(GetLangText(1249), "line249");
        QCOMPARE(GetLangText(1000 + kLangTableSize - 1), "line399\n"); // a message id
        QCOMPARE(GetLangText(1000 + kLangTableSize), "");
        QCOMPARE(GetLangText(77), "");
        // A shorter file overwrites only its own lines.
        QCOMPARE(Load("1000 new\n"), 1);
        QCOMPARE(GetLangText(1000), "new");
        QCOMPARE(GetLangText(1001), "line1");
        QCOMPARE(Load(""), 0);
        QCOMPARE(LoadLanguageFile(nullptr), 0);
        QCOMPARE(GetLangText(1000), "new");
    }

    void languageChoiceAndMissingFile() {
        QVERIFY(SelectLanguage(1));
        QVERIFY(!LoadLanguageByName("Language_XX.txt")); // changes nothing
        // A file without a numbered line cannot be read either.
        QFile empty(QStringLiteral("Language_empty.txt"));
        QVERIFY(empty.open(QIODevice::WriteOnly) && empty.write("# nothing\n\n") > 0);
        empty.close();
        QVERIFY(!LoadLanguageByName("Language_empty.txt"));
        empty.remove();
        QCOMPARE(LanguageId, 2052);
        QCOMPARE(LangText(1), QStringLiteral(u"欢迎使用"));
        QVERIFY(SelectLanguage(7)); // no such item: English
        QCOMPARE(LanguageId, 1033);
        QCOMPARE(GetLangText(1), "Welcome to");
        LanguageId = 0;
        QCOMPARE(DecodeText("\x80 caf\xE9"), QStringLiteral(u"€ café"));
    }

    void shippedFiles_data() {
        QTest::addColumn<int>("item");
        QTest::addColumn<int>("languageId");
        QTest::addColumn<QByteArray>("codePage");
        QTest::newRow("Language_EN.txt") << 0 << 1033 << QByteArray("Windows-1252");
        QTest::newRow("Language_CN.txt") << 1 << 2052 << QByteArray("GBK");
        QTest::newRow("Language_TW.txt") << 2 << 1028 << QByteArray("Big5");
    }
    void shippedFiles() {
        QFETCH(int, item);
        QFETCH(int, languageId);
        QFETCH(QByteArray, codePage);
        QFile f(QString::fromStdString(LocateDataFile(QTest::currentDataTag())));
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray raw = f.readAll();
        QVERIFY(SelectLanguage(item));
        QCOMPARE(LanguageId, languageId);
        QCOMPARE(QByteArray(CodePageName()), codePage);
        // Every id the windows and messages use.
        const std::pair<int, int> used[] = {{0, 7},       {100, 104},   {200, 204},   {300, 311},
                                            {400, 406},   {500, 502},   {510, 518},   {600, 605},
                                            {700, 705},   {800, 808},   {900, 902},   {905, 906},
                                            {1000, 1020}, {1100, 1109}, {1200, 1204}, {1210, 1227},
                                            {1260, 1280}, {1300, 1324}, {1330, 1343}, {1374, 1379}};
        for (const auto& [from, to] : used)
            for (int id = from; id <= to; ++id)
                QVERIFY2(GetLangText(id)[0] != '\0',
                         qPrintable(QStringLiteral("id %1 missing or empty").arg(id)));
        // The port window compares these with the console's values.
        const char* fixed[] = {"  10 Half", "  10 Full",  " 100 Half",  " 100 Full", "1000 Half",
                               "1000 Full", "   FORCE  ", "   AUTO   ", "NWAY_FORCE"};
        for (int id = 303; id <= 311; ++id)
            QCOMPARE(GetLangText(id), fixed[id - 303]);

        // Every line is loaded whole (no character cut in half), and the
        // English texts compiled into the program are the file's.
        auto loadedAsInFile = [&raw] {
            for (const QByteArray& line : raw.split('\n')) {
                const qsizetype sep = line.indexOf(' ');
                QVERIFY(line.isEmpty() || sep > 0);
                if (sep <= 0) continue;
                const int id = line.left(sep).toInt();
                QCOMPARE(QByteArray(GetLangText(id)), line.mid(sep + 1) + (id >= 1300 ? "\n" : ""));
            }
        };
        loadedAsInFile();
        if (languageId == 1033) {
            ResetLanguageState();
            LoadBuiltInEnglish();
            loadedAsInFile();
        }
        QStringDecoder decoder(codePage.constData());
        const QString text = decoder.decode(raw);
        QVERIFY(!decoder.hasError() && !text.contains(QChar::ReplacementCharacter));
        QStringEncoder encoder(codePage.constData());
        QCOMPARE(QByteArray(encoder.encode(text)), raw);
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

    // The captions that were English in every language: the VLAN support
    // window's column headings, the trunk window's tool tips, and the main
    // window's version text, which tst_session_flow sees in each language.
    void formerEnglishCaptions_data() { steps::LanguageRows("item"); }
    void formerEnglishCaptions() {
        QFETCH(int, item);
        QVERIFY(SelectLanguage(item));
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
            QVERIFY(HasChinese(LangText(txt::WelcomeVersion)));
            QVERIFY(HasChinese(LangText(1401)));
        }
    }
};

QTEST_MAIN(LangTest)
#include "tst_languages.moc"
