// Loading "Parser.tbl" and recognising lines with it.
#include "EngineTestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#include <array>
#include <cstring>

namespace {

struct Rec {
    int32_t position;
    std::string key;
    int32_t value;
};
// lists[0] top, lists[1 + i] page list i.
using Lists = std::array<std::vector<Rec>, 17>;

void putLe32(QByteArray& out, int32_t v) {
    const auto u = static_cast<uint32_t>(v);
    for (int i = 0; i < 4; ++i)
        out.append(static_cast<char>((u >> (8 * i)) & 0xFF));
}

QByteArray encode(const Lists& lists) {
    QByteArray out;
    for (const auto& list : lists) {
        putLe32(out, static_cast<int32_t>(list.size()));
        for (const Rec& r : list) {
            putLe32(out, r.position);
            QByteArray key(80, '\0');
            std::memcpy(key.data(), r.key.data(), std::min<size_t>(r.key.size(), 80));
            out += key;
            putLe32(out, r.value);
        }
    }
    return out;
}

struct Listed {
    int32_t position;
    QByteArray key;
    int32_t value;
    bool operator==(const Listed&) const = default;
};

std::vector<Listed> listed(const StringPage& page) {
    std::vector<Listed> out;
    for (int i = 0; i < page.Count(); ++i)
        out.push_back({page.At(i).position, QByteArray(page.At(i).text), page.At(i).value});
    return out;
}

const Listed kSentinel{10000, "", -1};

} // namespace

class EngineTableTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir;

    QString writeTable(const QByteArray& bytes, const QString& name = "t.tbl") {
        const QString path = dir.filePath(name);
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return {};
        f.write(bytes);
        return path;
    }

    Parser load(const QByteArray& bytes) {
        Parser p;
        p.LoadTable(writeTable(bytes).toStdString());
        return p;
    }

    // Lists the tests share: a page switch at (5,10) into page 4, and
    // page 4's entries.
    static Lists sampleLists() {
        Lists l;
        l[0] = {{510, "Port Configuration", 4},
                {9999, "Power-On Self Test", 0},
                {136, "Main Menu", 20}};
        l[1 + 0] = {{9999, "Vlan Initialize ..... ", 14}};
        l[1 + 4] = {{2205, "<Quit>", 4001}, {510, "", 4999}, {602, "", 4101}};
        return l;
    }

private slots:
    void listsAreSortedWithEqualCodesInFileOrder() {
        Lists l;
        l[1 + 3] = {{700, "b", 3002}, {300, "Sa", 3001}, {300, "Save", 3003}, {300, "S", 3004}};
        Parser p = load(encode(l));
        QCOMPARE(listed(p.PageList(3)), (std::vector<Listed>{{300, "Sa", 3001},
                                                             {300, "Save", 3003},
                                                             {300, "S", 3004},
                                                             {700, "b", 3002},
                                                             kSentinel}));
        // Keys that both occur in a line: the one earlier in the file wins.
        const auto r = p.PageList(3).Match("[03;00H<Save>");
        QCOMPARE(r->value, 3001);
        QCOMPARE(QByteArray(r->text), QByteArray("ve>"));
    }

    void positionLimitsAndTheSentinel() {
        Lists l;
        l[0] = {{10000, "x", 1}, {12345, "y", 2}, {9999, "Boot", 3}, {-5, "neg", 4}};
        Parser p = load(encode(l));
        // Above 9999 is dropped; 9999 stays; the sentinel stays last.
        QCOMPARE(listed(p.TopList()),
                 (std::vector<Listed>{{-5, "neg", 4}, {9999, "Boot", 3}, kSentinel}));
        // 9999 matches lines without a cursor address.
        QCOMPARE(p.TopList().Match("\nBoot sequence")->value, 3);
        // A line at an unreadable position matches nothing, not the sentinel.
        const auto r = p.TopList().Match("[ab;cdH");
        QCOMPARE(r->value, -1);
        QCOMPARE(r->position, 9999);
        // Every list is there, even those the file left empty.
        for (int i = 0; i < 16; ++i)
            QCOMPARE(listed(p.PageList(i)), std::vector<Listed>{kSentinel});
    }

    void matchGivesTheTextAfterTheKey() {
        Lists l = sampleLists();
        Parser p = load(encode(l));
        const StringPage& page = p.PageList(4);
        // Empty key: the whole text at that position.
        auto r = page.Match("[06;02HPORT1");
        QCOMPARE(r->value, 4101);
        QCOMPARE(QByteArray(r->text), QByteArray("PORT1"));
        r = page.Match("[22;05H<Quit>");
        QCOMPARE(r->value, 4001);
        QCOMPARE(QByteArray(r->text), QByteArray(""));
        // The key at another position does not count.
        r = page.Match("[22;13H<Quit>");
        QCOMPARE(r->value, -1);
        QCOMPARE(r->position, 9999);
        QCOMPARE(QByteArray(r->text), QByteArray("<Quit>"));
        // The key's text is case-sensitive.
        QCOMPARE(page.Match("[22;05H<quit>")->value, -1);
        // A key at the very end of a 79-byte text.
        const std::string filler(73, '.');
        r = page.Match(("[22;05H" + filler + "<Quit>").c_str());
        QCOMPARE(r->value, 4001);
        QCOMPARE(QByteArray(r->text), QByteArray(""));
    }

    void parseSwitchesThePageBehindTheQueuedLines() {
        Lists l = sampleLists();
        MemoryLink link;
        QVERIFY(link.open());
        Parser p = load(encode(l));
        QCOMPARE(p.PageState(), 99);

        // Parse each line as it is handled, as the start window does.
        std::vector<std::pair<int32_t, QByteArray>> entries;
        link.sink.onMessage = [&](const ConsoleMsg& m) {
            if (m.type != WM_CONSOLE_LINE) return;
            auto r = p.Parse(m.line.constData());
            entries.emplace_back(r->value, QByteArray(r->text));
        };
        link.peer.push("\x1b[06;02HPORT1\x1b[05;10HPort Configuration\x1b[06;02HPORT1\x1b", 0);
        link.step();
        QCoreApplication::sendPostedEvents(); // the page message posted while handling

        // Before any title, nothing is recognised.
        QCOMPARE(entries[1], (std::pair<int32_t, QByteArray>{-1, "PORT1"}));
        // The title switches to page 4 and is itself matched in page 4's list.
        QCOMPARE(entries[2], (std::pair<int32_t, QByteArray>{4999, "Port Configuration"}));
        QCOMPARE(entries[3], (std::pair<int32_t, QByteArray>{4101, "PORT1"}));
        QCOMPARE(p.PageState(), 4);
        // The page message went behind the lines already posted.
        std::vector<int> types;
        for (const auto& m : link.sink.msgs)
            types.push_back(m.type);
        QCOMPARE(types, (std::vector<int>{WM_CONSOLE_LINE, WM_CONSOLE_LINE, WM_CONSOLE_LINE,
                                          WM_CONSOLE_LINE, WM_CONSOLE_PAGE}));
        QCOMPARE(link.sink.msgs.back().lParam, intptr_t(4));

        // A top value of 16 or more selects no list: every line gives -1.
        auto r = p.Parse("[01;36HMain Menu");
        QCOMPARE(p.PageState(), 20);
        QCOMPARE(r->value, -1);
        QCOMPARE(p.Parse("[06;02HPORT1")->value, -1);
        // Page 0 through a plain line.
        r = p.Parse("\nPower-On Self Test ...");
        QCOMPARE(p.PageState(), 0);
        QCOMPARE(r->value, -1);
        r = p.Parse("\nVlan Initialize ..... OK");
        QCOMPARE(r->value, 14);
        QCOMPARE(QByteArray(r->text), QByteArray("OK"));
    }

    void damagedFilesKeepOnlyWhatIsSound() {
        const Lists l = sampleLists();
        const QByteArray good = encode(l);
        auto counts = [](const Parser& p) {
            std::vector<int> c{p.TopList().Count()};
            for (int i = 0; i < 16; ++i)
                c.push_back(p.PageList(i).Count());
            return c;
        };
        const std::vector<int> empty(17, 1);
        std::vector<int> full = empty;
        full[0] = 4;
        full[1] = 2;
        full[5] = 4;
        QCOMPARE(counts(load(good)), full);

        // Missing and short files.
        {
            Parser p;
            p.LoadTable(dir.filePath("absent.tbl").toStdString());
            QCOMPARE(counts(p), empty);
        }
        QCOMPARE(counts(load(QByteArray())), empty);
        QCOMPARE(counts(load(QByteArray("\x03\x00", 2))), empty);

        // Cut inside list 4's records: the lists before it are kept whole.
        std::vector<int> upToList3 = empty;
        upToList3[0] = 4;
        upToList3[1] = 2;
        const int list4Start = 4 + 3 * 88 + 4 + 88 + 3 * 4;
        QCOMPARE(counts(load(good.left(list4Start + 4 + 88 + 40))), upToList3);
        // Cut inside a count.
        QCOMPARE(counts(load(good.left(list4Start + 2))), upToList3);

        // A negative count in list 2.
        QByteArray bad = good;
        const int list2Count = 4 + 3 * 88 + 4 + 88 + 4;
        qToLittleEndian<int32_t>(-1, bad.data() + list2Count);
        QCOMPARE(counts(load(bad)), upToList3);
        // An absurd count in list 0: none of the following bytes become
        // entries, though the file would hold some.
        bad = good;
        qToLittleEndian<int32_t>(0x7fffffff, bad.data() + 4 + 3 * 88);
        std::vector<int> topOnly = empty;
        topOnly[0] = 4;
        QCOMPARE(counts(load(bad)), topOnly);

        // A key without its terminator is cut at 79 bytes.
        Lists k;
        k[0] = {{100, std::string(80, 'K'), 1}};
        Parser p = load(encode(k));
        QCOMPARE(QByteArray(p.TopList().At(0).text), QByteArray(79, 'K'));
        // Bytes after the seventeenth list are not read.
        QCOMPARE(counts(load(good + QByteArray(500, '\x7f'))), full);
    }

    void createParserFindsTheTable() {
        const QString oldCwd = QDir::currentPath();
        QTemporaryDir cwd;
        QVERIFY(QDir::setCurrent(cwd.path()));
        QFile f(cwd.filePath("Parser.tbl"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(encode(sampleLists()));
        f.close();

        DestroyParser();
        CreateParser();
        QVERIFY(GetParser() != nullptr);
        QCOMPARE(GetParser()->TopList().Count(), 4);
        QCOMPARE(GetParser()->PageState(), 99);
        Parser* first = GetParser();
        CreateParser(); // keeps the one there is
        QCOMPARE(GetParser(), first);
        DestroyParser();
        QVERIFY(GetParser() == nullptr);

        // The working directory first, then the program's folder.
        QCOMPARE(LocateDataFile("Parser.tbl"), std::string("Parser.tbl"));
        const QString name =
            QString("engine-table-test-%1.dat").arg(QCoreApplication::applicationPid());
        const QString beside = QCoreApplication::applicationDirPath() + "/" + name;
        QFile b(beside);
        QVERIFY(b.open(QIODevice::WriteOnly));
        b.close();
        QCOMPARE(QString::fromStdString(LocateDataFile(name.toStdString())), beside);
        QFile::remove(beside);
        QCOMPARE(LocateDataFile(name.toStdString()), name.toStdString());
        QVERIFY(QDir::setCurrent(oldCwd));
    }
};

QTEST_MAIN(EngineTableTest)
#include "engine_table_test.moc"
