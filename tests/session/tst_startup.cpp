// Missing or unreadable data files: built-in English, messages naming the
// places looked in, no Connect without a page table.
#include "engine/SerialLink.h"
#include "forms/session/SessionEnd.h"
#include "platform/MemorySerial.h"
#include "tests/harness/WindowTest.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <memory>

class StartupTest : public QObject {
    Q_OBJECT

    QString home_; // the test's data folder, where the shipped files are
    std::unique_ptr<QTemporaryDir> work_;
    std::unique_ptr<QTemporaryDir> empty_;
    platform::VirtualClock clock_;
    platform::ScriptedEndpoint peer_;
    MessageBoxes boxes_;

    void Give(const char* name) {
        QVERIFY(QFile::copy(home_ + "/" + name, work_->filePath(QString::fromLatin1(name))));
    }

private slots:
    void initTestCase() { home_ = QDir::currentPath(); }
    void init() {
        steps::BeginCase(boxes_);
        ResetLanguageState();
        work_ = std::make_unique<QTemporaryDir>();
        empty_ = std::make_unique<QTemporaryDir>();
        QDir::setCurrent(work_->path());
        SetDataFolders({empty_->path().toStdString()});
        platform::SetSerialDeviceFactory(
            [this] { return std::make_unique<platform::MemorySerialDevice>(clock_, peer_); });
        SetManualStepping(true);
    }
    void cleanup() {
        steps::EndSession();
        QDir::setCurrent(home_);
        SetDataFolders({});
    }

    void missingFilesAreNamedAndConnectWaitsForTheTable_data() {
        QTest::addColumn<bool>("present");
        QTest::addColumn<QByteArray>("table");
        QTest::newRow("no Parser.tbl") << false << QByteArray();
        QTest::newRow("zero-byte Parser.tbl") << true << QByteArray();
        QTest::newRow("Parser.tbl without entries") << true << QByteArray(17 * 4, 0);
        QTest::newRow("cut-off Parser.tbl") << true << QByteArray("\x05\0\0\0abc", 7);
    }
    void missingFilesAreNamedAndConnectWaitsForTheTable() {
        QFETCH(bool, present);
        QFETCH(QByteArray, table);
        if (present) {
            QFile f(work_->filePath("Parser.tbl"));
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write(table) == table.size());
        }
        steps::ShowWelcome();
        // No language file: the built-in English texts.
        QCOMPARE(frmWelcome->btnConnect->text(), QStringLiteral("&Connect"));
        QCOMPARE(frmWelcome->windowTitle(), QStringLiteral("24 +2 Tavik Switch - Welcome"));
        frmWelcome->StartUpChecks();
        const QString places =
            "\n    " + work_->filePath("%1") + "\n    " + empty_->path() + "/%1\n\n";
        const QString language =
            QStringLiteral("The language file Language_EN.txt could not be read. Places looked "
                           "in:") +
            places.arg("Language_EN.txt") + "The built-in English texts are shown.";
        const QString pageTable =
            QStringLiteral("The page table Parser.tbl is missing, empty or damaged. Places "
                           "looked in:") +
            places.arg("Parser.tbl") +
            "Reinstall the program or copy the file into one of these places.";
        QCOMPARE(boxes_.pairs(), QStringList({"Language", language, "Connect", pageTable}));
        boxes_.clear();

        frmWelcome->btnConnect->click();
        QCOMPARE(boxes_.pairs(), QStringList({"Connect", pageTable}));
        QVERIFY(!IsLinkOpen() && GetParser() == nullptr && frmWelcome->btnConnect->isEnabled());
        QVERIFY(!frmWelcome->tmrConnect->isActive() && frmMessage.get() == nullptr);
        boxes_.clear();

        // Put in place, the table is found at the next Connect.
        QFile::remove(work_->filePath("Parser.tbl"));
        Give("Parser.tbl");
        frmWelcome->btnConnect->click();
        QVERIFY(boxes_.isEmpty() && IsLinkOpen() && frmWelcome->tmrConnect->isActive());
    }

    // A language whose file cannot be read: the table and LanguageId stay,
    // and the box shows the language in force again.
    void unreadableLanguageKeepsTheOneInForce() {
        Give("Language_EN.txt");
        Give("Language_CN.txt");
        Give("Parser.tbl");
        new TfrmWelcome;
        frmWelcome->StartUpChecks();
        QVERIFY(boxes_.isEmpty());
        frmWelcome->cboLang->setCurrentIndex(1);
        QCOMPARE(LanguageId, 2052);
        const QString caption = frmWelcome->btnConnect->text();
        frmWelcome->cboLang->setCurrentIndex(2); // no Language_TW.txt here
        QCOMPARE(boxes_.size(), 1);
        QCOMPARE(boxes_[0].caption, LangText(7));
        QVERIFY(boxes_[0].text.contains("Language_TW.txt"));
        QVERIFY(boxes_[0].text.endsWith(MessageText(1340)));
        QCOMPARE(LanguageId, 2052);
        QCOMPARE(frmWelcome->cboLang->currentText(), QStringLiteral("Chinese_CN"));
        QCOMPARE(frmWelcome->btnConnect->text(), caption);
    }
};

QTEST_MAIN(StartupTest)
#include "tst_startup.moc"
