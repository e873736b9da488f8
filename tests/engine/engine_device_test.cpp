// Which paths the termios device opens: character devices only, one
// program at a time; and the message each refusal gives through the link.
#include "engine/SerialLink.h"
#include "platform/SerialDevice.h"
#include "platform/Ui.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <pty.h>
#include <unistd.h>

using OpenError = platform::SerialDevice::OpenError;

class EngineDeviceTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    int master_ = -1;
    int slave_ = -1;
    std::string pty_;

private slots:
    void init() {
        char name[128] = {};
        QVERIFY(openpty(&master_, &slave_, name, nullptr, nullptr) == 0);
        ::close(slave_);
        pty_ = name;
    }
    void cleanup() {
        ::close(master_);
        platform::ClearPortMappings();
        platform::SetMessageBoxHandler(nullptr);
        SetLanguageLookup(nullptr);
    }

    void onlyCharacterDevicesOpen_data() {
        QTest::addColumn<QString>("what");
        QTest::addColumn<int>("error");
        QTest::newRow("regular file") << "file" << int(OpenError::NotCharacterDevice);
        QTest::newRow("directory") << "dir" << int(OpenError::NotCharacterDevice);
        QTest::newRow("missing path") << "missing" << int(OpenError::Failed);
        QTest::newRow("pseudo-terminal") << "pty" << int(OpenError::None);
    }
    void onlyCharacterDevicesOpen() {
        QFETCH(QString, what);
        QFETCH(int, error);
        const std::string file = dir_.filePath("notes.txt").toStdString();
        {
            QFile f(QString::fromStdString(file));
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write("notes\n") == 6);
        }
        const std::string path = what == "file"  ? file
                                 : what == "dir" ? dir_.path().toStdString()
                                 : what == "pty" ? pty_
                                                 : file + ".missing";
        auto device = platform::CreateTermiosDevice();
        QCOMPARE(device->open(path), error == int(OpenError::None));
        QCOMPARE(int(device->openError()), error);
        device->close();
        QFile f(QString::fromStdString(file));
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("notes\n")); // untouched
    }

    // A second copy of the program is refused even as root (the lock); once
    // the first one closes, the device opens again.
    void aDeviceInUseIsRefused() {
        auto first = platform::CreateTermiosDevice();
        QVERIFY(first->open(pty_));
        auto second = platform::CreateTermiosDevice();
        QVERIFY(!second->open(pty_));
        QCOMPARE(int(second->openError()), int(OpenError::InUse));
        first->close();
        QVERIFY(second->open(pty_));
    }

    void eachRefusalHasItsMessage() {
        QStringList boxes;
        platform::SetMessageBoxHandler([&](const QString& text, const QString& caption, int) {
            boxes << caption << text;
            return int(platform::IDOK);
        });
        SetLanguageLookup([](int32_t id) {
            if (id == 1341) return QStringLiteral("%1 is no device.\n");
            if (id == 1342) return QStringLiteral("%1 is in use.\n");
            return QStringLiteral("[%1]").arg(id);
        });
        const std::string file = dir_.filePath("hostname").toStdString();
        QFile(QString::fromStdString(file)).open(QIODevice::WriteOnly);
        platform::MapPortName("COM1", file);
        platform::MapPortName("COM2", pty_);
        QCOMPARE(OpenComPort(1), -1);
        auto holder = platform::CreateTermiosDevice();
        QVERIFY(holder->open(pty_));
        QCOMPARE(OpenComPort(2), -1);
        platform::MapPortName("COM3", file + ".missing");
        QCOMPARE(OpenComPort(3), -1);
        CloseComPort();
        QCOMPARE(boxes, QStringList({"[1227]", QString::fromStdString(file) + " is no device.",
                                     "[1227]", QString::fromStdString(pty_) + " is in use.",
                                     "[1227]", "[1323]\n[1324]"}));
    }
};

QTEST_MAIN(EngineDeviceTest)
#include "engine_device_test.moc"
