// The save dialog of the settings file: the name it proposes for a serial
// line and for a console server, ".json" added when the name lacks it, and
// the dialog itself over the main window.
#include "forms/backup/SettingsFile.h"

#include <QApplication>
#include <QDate>
#include <QFileDialog>
#include <QTimer>
#include <QtTest>

class SettingsNameTest : public QObject {
    Q_OBJECT

private slots:
    void defaultName_data() {
        QTest::addColumn<QString>("com");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("name");
        QTest::newRow("serial line") << "COM5" << "/dev/ttyUSB0" << "tavik-COM5-2026-03-09.json";
        QTest::newRow("by-id path") << "COM12" << "/dev/serial/by-id/usb-FTDI_X-if00-port0"
                                    << "tavik-COM12-2026-03-09.json";
        QTest::newRow("console server") << "COM6" << "tcp://cs1.lab:7001"
                                        << "tavik-cs1.lab_7001-2026-03-09.json";
        QTest::newRow("telnet, trailing slash") << "COM7" << "telnet://10.0.0.5:2002/"
                                                << "tavik-10.0.0.5_2002-2026-03-09.json";
        QTest::newRow("IPv6 address") << "COM8" << "tcp://[fe80::1]:7001"
                                      << "tavik-_fe80_1_7001-2026-03-09.json";
        QTest::newRow("no link") << "" << "" << "tavik-2026-03-09.json";
    }
    void defaultName() {
        QFETCH(QString, com);
        QFETCH(QString, path);
        QFETCH(QString, name);
        QCOMPARE(DefaultSettingsFileName(com, path, QDate(2026, 3, 9)), name);
    }

    void suffix_data() {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("written");
        QTest::newRow("none") << "/tmp/a" << "/tmp/a.json";
        QTest::newRow("present") << "/tmp/a.json" << "/tmp/a.json";
        QTest::newRow("other letter case") << "/tmp/a.JSON" << "/tmp/a.JSON";
        QTest::newRow("another suffix") << "/tmp/a.txt" << "/tmp/a.txt.json";
        QTest::newRow("folder with a dot") << "/tmp/x.json/a" << "/tmp/x.json/a.json";
    }
    void suffix() {
        QFETCH(QString, chosen);
        QFETCH(QString, written);
        QCOMPARE(WithJsonSuffix(chosen), written);
    }

    // The dialog proposes the name; a name typed without the suffix comes
    // back with it; Cancel gives nothing.
    void dialog_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("path");
        QTest::newRow("proposed name kept") << "" << "tavik-COM5-2026-03-09.json";
        QTest::newRow("typed without suffix") << "mine" << "mine.json";
        QTest::newRow("cancelled") << "-" << "";
    }
    void dialog() {
        QFETCH(QString, typed);
        QFETCH(QString, path);
        QTemporaryDir dir;
        QVERIFY(QDir::setCurrent(dir.path()));
        QString proposed;
        QTimer::singleShot(0, [&] {
            auto* d = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!d) return;
            proposed = QFileInfo(d->selectedFiles().value(0)).fileName();
            if (typed == QLatin1String("-")) return d->reject();
            if (!typed.isEmpty()) d->selectFile(typed);
            static_cast<QDialog*>(d)->accept();
        });
        QWidget parent;
        const QString got = AskSettingsSavePath(&parent, QStringLiteral("tavik-COM5-2026-03-09.json"));
        QCOMPARE(proposed, QStringLiteral("tavik-COM5-2026-03-09.json"));
        QCOMPARE(QFileInfo(got).fileName(), QFileInfo(path).fileName());
        QCOMPARE(got.isEmpty(), path.isEmpty());
    }
};

QTEST_MAIN(SettingsNameTest)
#include "tst_settings_name.moc"
