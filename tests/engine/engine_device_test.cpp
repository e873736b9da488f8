// Which paths the termios device opens: character devices only, one
// program at a time; and the message each refusal gives through the link.
#include "engine/SerialLink.h"
#include "platform/SerialDevice.h"
#include "platform/Ui.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <grp.h>
#include <pty.h>
#include <unistd.h>

using OpenError = platform::SerialDevice::OpenError;

namespace {
// A device whose open fails the way the system said.
class RefusingDevice : public platform::SerialDevice {
public:
    explicit RefusingDevice(OpenError error) : error_(error) {}
    bool open(const std::string&) override { return false; }
    int read(uint8_t*, int) override { return 0; }
    int write(const uint8_t*, int) override { return 0; }
    void close() override {}
    bool isOpen() const override { return false; }
    OpenError openError() const override { return error_; }

private:
    OpenError error_;
};
} // namespace

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
        platform::SetSerialDeviceFactory(nullptr);
    }

    // Tests run as root, so the system never refuses them: the failures are
    // classified from the errno the open gave.
    void openFailuresAreClassified_data() {
        QTest::addColumn<int>("err");
        QTest::addColumn<int>("error");
        QTest::newRow("EACCES") << EACCES << int(OpenError::NoPermission);
        QTest::newRow("EPERM") << EPERM << int(OpenError::NoPermission);
        QTest::newRow("EBUSY") << EBUSY << int(OpenError::InUse);
        QTest::newRow("ENOENT") << ENOENT << int(OpenError::NotThere);
        QTest::newRow("ENODEV unplugged") << ENODEV << int(OpenError::NotThere);
        QTest::newRow("ENXIO") << ENXIO << int(OpenError::NotThere);
        QTest::newRow("EIO") << EIO << int(OpenError::Failed);
    }
    void openFailuresAreClassified() {
        QFETCH(int, err);
        QFETCH(int, error);
        QCOMPARE(int(platform::ClassifyOpenFailure(err)), error);
    }

    void theOwningGroupIsRead() {
        const std::string file = dir_.filePath("ttyUSB9").toStdString();
        QFile(QString::fromStdString(file)).open(QIODevice::WriteOnly);
        const group* uucp = ::getgrnam("uucp");
        QVERIFY(uucp != nullptr);
        QCOMPARE(::chown(file.c_str(), uid_t(-1), uucp->gr_gid), 0);
        QCOMPARE(platform::DeviceGroup(file), std::string("uucp"));
        // A group the system has no name for is given by its number.
        gid_t unnamed = 54321;
        while (::getgrgid(unnamed) != nullptr)
            ++unnamed;
        QCOMPARE(::chown(file.c_str(), uid_t(-1), unnamed), 0);
        QCOMPARE(platform::DeviceGroup(file), std::to_string(unnamed));
        QCOMPARE(platform::DeviceGroup(file + ".missing"), std::string());
        // The termios device itself says a missing path is not there.
        auto device = platform::CreateTermiosDevice();
        QVERIFY(!device->open(file + ".missing"));
        QCOMPARE(int(device->openError()), int(OpenError::NotThere));
    }

    void permissionAndMissingMessages() {
        QStringList boxes;
        platform::SetMessageBoxHandler([&](const QString& text, const QString&, int) {
            boxes << text;
            return int(platform::IDOK);
        });
        SetLanguageLookup([](int32_t id) {
            if (id == 1380) return QStringLiteral("No %1, group %2.\n");
            if (id == 1381) return QStringLiteral("usermod -aG %1.\n");
            if (id == 1382) return QStringLiteral("New login.\n");
            if (id == 1383) return QStringLiteral("%1 is not there.\n");
            return QStringLiteral("[%1]").arg(id);
        });
        const std::string file = dir_.filePath("ttyACM7").toStdString();
        QFile(QString::fromStdString(file)).open(QIODevice::WriteOnly);
        QCOMPARE(::chown(file.c_str(), uid_t(-1), ::getgrnam("dialout")->gr_gid), 0);
        platform::MapPortName("COM1", file);
        OpenError next = OpenError::NoPermission;
        platform::SetSerialDeviceFactory([&] { return std::make_unique<RefusingDevice>(next); });
        QCOMPARE(OpenComPort(1), -1);
        next = OpenError::NotThere;
        QCOMPARE(OpenComPort(1), -1);
        CloseComPort();
        const QString path = QString::fromStdString(file);
        QCOMPARE(boxes,
                 QStringList({"No " + path + ", group dialout.\n\nusermod -aG dialout.\n\nNew login.",
                              path + " is not there."}));
    }

    void onlyCharacterDevicesOpen_data() {
        QTest::addColumn<QString>("what");
        QTest::addColumn<int>("error");
        QTest::newRow("regular file") << "file" << int(OpenError::NotCharacterDevice);
        QTest::newRow("directory") << "dir" << int(OpenError::NotCharacterDevice);
        QTest::newRow("missing path") << "missing" << int(OpenError::NotThere);
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
            if (id == 1383) return QStringLiteral("%1 is not there.\n");
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
        QCOMPARE(boxes,
                 QStringList({"[1227]", QString::fromStdString(file) + " is no device.", "[1227]",
                              QString::fromStdString(pty_) + " is in use.", "[1227]",
                              QString::fromStdString(file) + ".missing is not there."}));
    }
};

QTEST_MAIN(EngineDeviceTest)
#include "engine_device_test.moc"
