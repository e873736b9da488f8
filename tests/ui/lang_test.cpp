// Language files: the loader's line rules and limits, the lookup, the
// language box choice, decoding, and the three shipped files.
#include "engine/PageTable.h"
#include "forms/FormRefs.h"
#include "forms/Welcomeform.h"
#include "lang/Language.h"
#include "shared/Publicunit.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

#include <set>
#include <string>
#include <vector>

namespace {

// Every text id the windows and messages use.
std::vector<int32_t> UsedIds() {
    std::vector<int32_t> ids;
    auto range = [&](int a, int b) {
        for (int i = a; i <= b; ++i)
            ids.push_back(i);
    };
    range(0, 7);
    range(100, 104);
    range(200, 204);
    range(300, 311);
    range(400, 406);
    range(500, 502);
    range(510, 518);
    range(600, 605);
    range(700, 705);
    range(800, 808);
    range(900, 902);
    range(905, 906);
    range(1000, 1020);
    range(1100, 1109);
    range(1200, 1204);
    range(1210, 1227);
    range(1260, 1280);
    range(1300, 1324);
    return ids;
}

// Texts the program compares or types, identical in every language.
const std::vector<std::pair<int32_t, const char*>> kFixedTexts = {
    {303, "  10 Half"},  {304, "  10 Full"},  {305, " 100 Half"},
    {306, " 100 Full"},  {307, "1000 Half"},  {308, "1000 Full"},
    {309, "   FORCE  "}, {310, "   AUTO   "}, {311, "NWAY_FORCE"},
};

struct LangFile {
    const char* name;
    int item;
    int32_t languageId;
    const char* codePage;
};
const LangFile kFiles[] = {
    {"Language_EN.txt", 0, 1033, "Windows-1252"},
    {"Language_CN.txt", 1, 2052, "GBK"},
    {"Language_TW.txt", 2, 1028, "Big5"},
};

} // namespace

class LangTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

    // Loads `bytes` as a language file; returns the loader's entry count.
    int Load(const QByteArray& bytes) {
        const QString path = dir_.filePath(QStringLiteral("lang.txt"));
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            qFatal("cannot write %s", qPrintable(path));
        f.write(bytes);
        f.close();
        FILE* in = std::fopen(path.toLocal8Bit().constData(), "rb");
        if (!in) qFatal("cannot read %s", qPrintable(path));
        return LoadLanguageFile(in);
    }

    static QByteArray ReadFile(const char* bareName) {
        QFile f(QString::fromStdString(LocateDataFile(bareName)));
        if (!f.open(QIODevice::ReadOnly)) return {};
        return f.readAll();
    }

private slots:
    void init() { ResetLanguageState(); }
    void cleanupTestCase() { ResetLanguageState(); }

    void lineEndsAndSeparators() {
        int n = Load("5 Hello\n"
                     "1300 Hello\n"
                     "6\tTab separated\n"
                     "7  two blanks\n"
                     "\n   \n\t\n"
                     "   8 indented\n"
                     "9 windows\r\n"
                     "1301 windows message\r\n"
                     "10\n"
                     "1302\n"
                     "11xglued\n"
                     "12 no line end");
        QCOMPARE(n, 11);
        QCOMPARE(GetLangText(5), "Hello");
        QCOMPARE(GetLangText(1300), "Hello\n");
        QCOMPARE(GetLangText(6), "Tab separated");
        QCOMPARE(GetLangText(7), " two blanks");
        QCOMPARE(GetLangText(8), "indented");
        QCOMPARE(GetLangText(9), "windows");
        QCOMPARE(GetLangText(1301), "windows message\n");
        QCOMPARE(GetLangText(10), "");
        QCOMPARE(GetLangText(1302), "\n");
        QCOMPARE(GetLangText(11), "glued");
        QCOMPARE(GetLangText(12), "no line end");
        // Blank lines took no entry: the eighth line read is at index 7.
        QCOMPARE(LangTable[3].id, 7);
        QCOMPARE(LangTable[4].id, 8);
    }

    void firstOfDuplicateIdsWins() {
        Load("20 first\n21 other\n20 second\n");
        QCOMPARE(GetLangText(20), "first");
    }

    void linesWithoutNumberAreSkipped() {
        int n = Load("# comment\n"
                     "30 thirty\n"
                     "-\n"
                     "+x\n"
                     "99999999999 too big\n"
                     "abc 31 not an id\n"
                     "-5 negative\n"
                     "31 thirty-one");
        QCOMPARE(n, 3);
        QCOMPARE(LangTable[0].id, 30);
        QCOMPARE(LangTable[1].id, -5);
        QCOMPARE(LangTable[2].id, 31);
        QCOMPARE(GetLangText(31), "thirty-one");
        QCOMPARE(LangTable[3].id, 0);
    }

    void byteOrderMarkIsIgnored() {
        Load("\xEF\xBB\xBF"
             "0 Caption\n1 Label\n");
        QCOMPARE(GetLangText(0), "Caption");
        QCOMPARE(GetLangText(1), "Label");
    }

    void longLinesAreCut() {
        const QByteArray longText(200, 'x');
        Load("40 " + longText + "\n1310 " + longText + "\n41 next\n");
        QCOMPARE(std::string(GetLangText(40)), std::string(kLangMaxLineText, 'x'));
        QCOMPARE(std::string(GetLangText(1310)), std::string(kLangMaxLineText, 'x') + "\n");
        // The rest of the long line did not become an entry of its own.
        QCOMPARE(GetLangText(41), "next");
        QCOMPARE(LangTable[2].id, 41);
        QCOMPARE(LangTable[3].id, 0);
    }

    void tooManyLinesAreBounded() {
        QByteArray file;
        for (int i = 0; i < 300; ++i)
            file += QByteArray::number(1000 + i) + " line" + QByteArray::number(i) + "\n";
        QCOMPARE(Load(file), kLangTableSize);
        QCOMPARE(LangTable[kLangTableSize - 1].id, 1000 + kLangTableSize - 1);
        // Only the first 201 entries are searched; entry 200 answers for the rest.
        QCOMPARE(GetLangText(1000), "line0");
        QCOMPARE(GetLangText(1199), "line199");
        QCOMPARE(GetLangText(1250), "line200");
        QCOMPARE(GetLangText(123456), "line200");
    }

    void shorterFileKeepsTheTail() {
        Load("50 old\n51 kept\n52 also kept\n");
        Load("50 new\n");
        QCOMPARE(GetLangText(50), "new");
        QCOMPARE(GetLangText(51), "kept");
        QCOMPARE(LangTable[2].id, 52);
        QCOMPARE(GetLangText(777), ""); // not in the file: entry 200, empty
        // Nothing to read changes nothing.
        QCOMPARE(Load(""), 0);
        QCOMPARE(LoadLanguageFile(nullptr), 0);
        QCOMPARE(GetLangText(50), "new");
    }

    void languageBoxChoice() {
        QVERIFY(SelectLanguage(2));
        QCOMPARE(LanguageId, 1028);
        QCOMPARE(QString::fromLatin1(CodePageName()), QStringLiteral("Big5"));
        QCOMPARE(LangText(1), QStringLiteral(u"歡迎使用"));
        // Free text typed into the box, or no item: English.
        QVERIFY(SelectLanguage(-1));
        QCOMPARE(LanguageId, 1033);
        QCOMPARE(GetLangText(1), "Welcome to");
        QVERIFY(SelectLanguage(1));
        QCOMPARE(LanguageId, 2052);
        QCOMPARE(LangText(1), QStringLiteral(u"欢迎使用"));
        QVERIFY(SelectLanguage(7));
        QCOMPARE(LanguageId, 1033);
    }

    void unopenableFileChangesNothing() {
        QVERIFY(SelectLanguage(1));
        QVERIFY(!LoadLanguageByName("Language_XX.txt"));
        QCOMPARE(LanguageId, 2052);
        QCOMPARE(LangText(1), QStringLiteral(u"欢迎使用"));
    }

    void codePagesDecode() {
        QVERIFY(QStringDecoder("Windows-1252").isValid());
        QVERIFY(QStringDecoder("GBK").isValid());
        QVERIFY(QStringDecoder("Big5").isValid());
        LanguageId = 0;
        QCOMPARE(DecodeText("\x80 caf\xE9"), QStringLiteral(u"€ café"));
        LanguageId = 2052;
        QCOMPARE(DecodeText("\xC4\xE3\xBA\xC3"), QStringLiteral(u"你好"));
        LanguageId = 1028;
        QCOMPARE(DecodeText("\xA7\x41\xA6\x6E"), QStringLiteral(u"你好"));
    }

    void shippedFiles_data() {
        QTest::addColumn<int>("index");
        for (int i = 0; i < 3; ++i)
            QTest::newRow(kFiles[i].name) << i;
    }
    void shippedFiles() {
        QFETCH(int, index);
        const LangFile& lf = kFiles[index];
        const QByteArray raw = ReadFile(lf.name);
        QVERIFY2(!raw.isEmpty(), lf.name);

        // Every id findable: the file must fit the searched part of the table.
        QVERIFY(SelectLanguage(lf.item));
        QCOMPARE(LanguageId, lf.languageId);
        QCOMPARE(QString::fromLatin1(CodePageName()), QString::fromLatin1(lf.codePage));
        std::set<int32_t> present;
        for (int i = 0; i <= kLangLookupLast; ++i)
            present.insert(LangTable[i].id);
        for (int32_t id : UsedIds()) {
            QVERIFY2(present.count(id),
                     qPrintable(QStringLiteral("%1 lacks id %2").arg(lf.name).arg(id)));
            QVERIFY2(GetLangText(id)[0] != '\0',
                     qPrintable(QStringLiteral("%1: id %2 is empty").arg(lf.name).arg(id)));
        }
        for (const auto& [id, text] : kFixedTexts)
            QCOMPARE(GetLangText(id), text);
        // Messages keep their line end; captions do not.
        QVERIFY(QByteArray(GetLangText(1300)).endsWith('\n'));
        QVERIFY(!QByteArray(GetLangText(0)).endsWith('\n'));

        // Each line's text fits the loader's limit (no character cut in
        // half), and the whole file is valid in its code page.
        for (const QByteArray& line : raw.split('\n')) {
            const qsizetype sep = line.indexOf(' ');
            QVERIFY(line.isEmpty() || sep > 0);
            QVERIFY2(line.size() - sep - 1 <= kLangMaxLineText, line.constData());
        }
        QStringDecoder decoder(lf.codePage);
        const QString text = decoder.decode(raw);
        QVERIFY(!decoder.hasError());
        QVERIFY(!text.contains(QChar::ReplacementCharacter));
        QStringEncoder encoder(lf.codePage);
        QCOMPARE(QByteArray(encoder.encode(text)), raw);
        if (lf.item == 0) {
            // The English captions are the windows' built-in ones.
            QCOMPARE(GetLangText(0), "24 +2 Tavik Switch - Welcome");
            QCOMPARE(GetLangText(100), "24 +2 Tavik Switch -  Login Form");
            QCOMPARE(GetLangText(302), " Please wait ...");
        }
    }

    void welcomeWindowFollowsTheLanguageBox() {
        auto* w = new TfrmWelcome;
        QCOMPARE(LanguageId, 0);
        QCOMPARE(w->windowTitle(), QStringLiteral("24 +2 Tavik Switch - Welcome"));
        w->cboLang->setCurrentIndex(2);
        QCOMPARE(LanguageId, 1028);
        QCOMPARE(w->windowTitle(), QStringLiteral(u"24 +2 Tavik Switch - 歡迎"));
        QCOMPARE(w->Label1->text(), QStringLiteral(u"歡迎使用"));
        QCOMPARE(w->lblTavik->text(), QStringLiteral(u"24 +2 Tavik Switch 使用者介面"));
        QCOMPARE(w->lblVersion->text(), QStringLiteral(u"版本: "));
        QCOMPARE(w->Label3->text(), QStringLiteral(u"序列埠 :"));
        QCOMPARE(w->btnConnect->text(), QStringLiteral(u"連線"));
        QCOMPARE(w->btnExit->text(), QStringLiteral(u"離開"));
        QCOMPARE(w->Label2->text(), QStringLiteral(u"語言"));
        // Free text typed into the box means English.
        w->cboLang->setEditText(QStringLiteral("Chinese"));
        QCOMPARE(LanguageId, 1033);
        QCOMPARE(w->btnConnect->text(), QStringLiteral("Connect"));

        frmWelcome.clear();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(SelectLanguage(1));
        ApplyWelcomeTexts(); // no Welcome window: nothing to do
    }
};

QTEST_MAIN(LangTest)
#include "lang_test.moc"
