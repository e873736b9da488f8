// The port box: devices found (the system's port list fed here), their COM
// names for the run, --port's precedence, the simulators' announced links, and
// the start window keeping, remembering and connecting to its choice.
#include "engine/SerialLink.h"
#include "forms/widgets/PortBox.h"
#include "forms/widgets/Remembered.h"
#include "platform/MemorySerial.h"
#include "platform/PortDiscovery.h"
#include "tests/harness/WindowTest.h"

#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <unistd.h>
#include <vector>

using platform::PortRecord;
Q_DECLARE_METATYPE(std::vector<PortRecord>)

namespace {

std::vector<PortRecord> g_records;

PortRecord Plain(const std::string& path) {
    return {path, "", "", "", false};
}
PortRecord Usb(const std::string& path, const std::string& serial = "") {
    return {path, "USB-Serial Controller", "Example Devices Inc.", serial, false};
}

// A USB device's label: its name, then what the system knows of it.
QString UsbLabel(const char* name, const char* more = "") {
    return QStringLiteral("%1 (Example Devices Inc. USB-Serial Controller%2)").arg(name, more);
}

QStringList Labels() {
    QStringList labels;
    for (const platform::PortChoice& c : platform::RefreshPortChoices())
        labels << QString::fromStdString(c.label);
    return labels;
}

// The discovered ports' names and paths, without what the system knows.
QStringList Found() {
    QStringList names;
    for (const QString& label : Labels().mid(4))
        names << label.section(QStringLiteral(" ("), 0, 0);
    return names;
}

QStringList BoxItems(QComboBox* box) {
    QStringList items;
    for (int i = 0; i < box->count(); ++i)
        items << box->itemText(i);
    return items;
}

} // namespace

class PortBoxTest : public QObject {
    Q_OBJECT

    platform::VirtualClock clock_;
    std::unique_ptr<platform::ScriptedEndpoint> peer_;
    MessageBoxes boxes_;

    // The start window over a scripted line, remembering into a fresh file.
    void ShowStartWindow(const QTemporaryDir& dir, const char* onlyPath = "") {
        EnableRememberedChoices(dir.filePath("tavik-config.conf"));
        peer_ = std::make_unique<platform::ScriptedEndpoint>();
        platform::SetSerialDeviceFactory([this, onlyPath] {
            auto device = std::make_unique<platform::MemorySerialDevice>(clock_, *peer_);
            device->onlyPath = onlyPath; // refuses any other device
            return device;
        });
        SetManualStepping(true);
        g_records = {Usb("/dev/ttyUSB0")};
        steps::ShowWelcome();
    }
    // The program started again: only the remembered file carries over.
    static void NextRun() {
        steps::EndSession();
        ResetProgramState();
        platform::ClearPortMappings();
        platform::ForgetDiscoveredPorts();
        steps::ShowWelcome();
    }

private slots:
    void init() {
        steps::BeginCase(boxes_);
        g_records.clear();
        platform::SetPortLister([] { return g_records; });
        // The machine's own by-id names stay out of the labels.
        platform::SetByIdFolder("/nonexistent/by-id");
    }
    void cleanup() {
        steps::EndSession(); // the device factory and port names too
        platform::SetPortLister(nullptr);
        platform::SetByIdFolder("");
        platform::ForgetDiscoveredPorts();
        DisableRememberedChoices();
    }

    // Discovered devices follow the built-in COM1-COM4 in path order; --port
    // names a device its own way, and the discovered ones take the names left.
    void namesFollowPathOrder_data() {
        QTest::addColumn<std::vector<PortRecord>>("records");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<QStringList>("options"); // --port values
        const QStringList builtIn{"COM1", "COM2", "COM3", "COM4"};
        QTest::newRow("nothing found") << std::vector<PortRecord>{} << builtIn << QStringList();
        QTest::newRow("--port wins")
            << std::vector<PortRecord>{Usb("/dev/ttyUSB0", "A9X"), Usb("/dev/ttyUSB1")}
            << QStringList{UsbLabel("COM1 - /dev/ttyUSB0", ", A9X")} + builtIn.mid(1) +
                   QStringList{"COM5 - /dev/ttyACM3", UsbLabel("COM6 - /dev/ttyUSB1")}
            << QStringList{"COM1=/dev/ttyUSB0", "COM5=/dev/ttyACM3"};
        QTest::newRow("built-in ports are COM1-COM4 only")
            << std::vector<PortRecord>{Plain("/dev/ttyS0"), Plain("/dev/ttyS3"),
                                       Plain("/dev/ttyS4")}
            << builtIn + QStringList{"COM5 - /dev/ttyS4"} << QStringList();
        QTest::newRow("path order, with what the system knows")
            << std::vector<PortRecord>{Usb("/dev/ttyUSB1", "A9X"),
                                       {"/dev/ttyACM0", "Pico", "", "E66", false},
                                       Usb("/dev/ttyUSB0")}
            << builtIn + QStringList{"COM5 - /dev/ttyACM0 (Pico, E66)",
                                     UsbLabel("COM6 - /dev/ttyUSB0"),
                                     UsbLabel("COM7 - /dev/ttyUSB1", ", A9X")}
            << QStringList();
        QTest::newRow("listed twice")
            << std::vector<PortRecord>{Plain("/dev/ttyUSB0"), Plain("/dev/ttyUSB0")}
            << builtIn + QStringList{"COM5 - /dev/ttyUSB0"} << QStringList();
    }
    void namesFollowPathOrder() {
        QFETCH(std::vector<PortRecord>, records);
        QFETCH(QStringList, expected);
        QFETCH(QStringList, options);
        for (const QString& option : options)
            QVERIFY(platform::MapPortOption(option.toStdString()));
        g_records = records;
        QCOMPARE(Labels(), expected);
    }

    void namesLastForTheRun() {
        g_records = {Usb("/dev/ttyUSB0"), Usb("/dev/ttyUSB1")};
        Labels();
        // Unplugged, then a new device with a lower path, then the first
        // one back: nobody takes another's name.
        g_records = {Usb("/dev/ttyUSB1")};
        QCOMPARE(Found(), QStringList{"COM6 - /dev/ttyUSB1"});
        g_records = {Plain("/dev/ttyACM0"), Usb("/dev/ttyUSB1"), Usb("/dev/ttyUSB0")};
        QCOMPARE(Found(), (QStringList{"COM5 - /dev/ttyUSB0", "COM6 - /dev/ttyUSB1",
                                       "COM7 - /dev/ttyACM0"}));
        QCOMPARE(platform::ResolvePortName("COM7"), std::string("/dev/ttyACM0"));
        QCOMPARE(platform::ResolvePortName("com5"), std::string("/dev/ttyUSB0"));
        QCOMPARE(platform::ResolvePortName("COM2"), std::string("/dev/ttyS1"));
    }

    // The by-id name, which survives a replug, stands beside the device it
    // names; a device without one, or given by that path, shows none.
    void byIdNamesBesideTheDevice() {
        QTemporaryDir folder;
        const std::string dir = folder.path().toStdString();
        QVERIFY(::symlink("/dev/ttyUSB0", (dir + "/usb-FTDI_A9X-if00-port0").c_str()) == 0);
        QVERIFY(::symlink("/dev/ttyACM0", (dir + "/usb-Pico_E66-if00").c_str()) == 0);
        platform::SetByIdFolder(dir);
        QVERIFY(platform::MapPortOption("COM2=/dev/serial/by-id/usb-FTDI_A9X-if00-port0"));
        g_records = {Usb("/dev/ttyUSB0", "A9X"), Plain("/dev/ttyACM0"), Usb("/dev/ttyUSB1")};
        QCOMPARE(
            Labels(),
            (QStringList{"COM1", "COM2 - /dev/serial/by-id/usb-FTDI_A9X-if00-port0", "COM3", "COM4",
                         "COM5 - /dev/ttyACM0 (by-id: usb-Pico_E66-if00)",
                         UsbLabel("COM6 - /dev/ttyUSB0", ", A9X, by-id: usb-FTDI_A9X-if00-port0"),
                         UsbLabel("COM7 - /dev/ttyUSB1")}));
    }

    // A simulator announces its line in the runtime folder; the links of
    // killed simulators, gone devices and other names are passed over.
    void simulatorLinks() {
        QTemporaryDir runtime;
        qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
        const std::string folder = platform::SimulatorLinkFolder();
        QCOMPARE(folder, runtime.path().toStdString() + "/tavik-switch-sim");
        QCOMPARE(platform::AnnounceSimulator("/dev/null"),
                 folder + "/" + std::to_string(::getpid()));
        qunsetenv("XDG_RUNTIME_DIR");
        QCOMPARE(::symlink("/dev/null", (folder + "/2147483646").c_str()), 0);
        QCOMPARE(::symlink("/dev/pts/999999", (folder + "/1").c_str()), 0);
        QCOMPARE(::symlink("/dev/null", (folder + "/sim").c_str()), 0);
        QFile plain(QString::fromStdString(folder + "/" + std::to_string(::getppid())));
        QVERIFY(plain.open(QIODevice::WriteOnly));
        plain.close();
        const std::vector<PortRecord> found = platform::ListSimulatorLinks(folder);
        QCOMPARE(found.size(), size_t(1));
        QCOMPARE(found[0].path, std::string("/dev/null"));
        QVERIFY(found[0].simulated);
        QCOMPARE(found[0].description, "tavik-switch-sim, process " + std::to_string(::getpid()));
    }

    // The choice stays on its device when another is plugged in while the
    // window is open, Connect opens that device, and the next run brings
    // port and language back, the port as the same device even when
    // discovery names it differently then.
    void startWindowKeepsAndRemembersTheChoice() {
        QTemporaryDir dir;
        ShowStartWindow(dir, "/dev/ttyUSB0");
        QComboBox* box = frmWelcome->cboComPort;
        QCOMPARE(box->count(), 5);
        // No /dev/ttyS0-3 among the serial lines: COM1-COM4 say so.
        QCOMPARE(BoxItems(box).mid(0, 4),
                 (QStringList{"COM1 (not present)", "COM2 (not present)", "COM3 (not present)",
                              "COM4 (not present)"}));
        QCOMPARE(box->currentIndex(), 0); // nothing remembered yet
        QCOMPARE(frmWelcome->cboLang->currentIndex(), 0);
        frmWelcome->cboLang->setCurrentIndex(2);
        box->setCurrentIndex(4);

        g_records = {Plain("/dev/ttyS1"), Plain("/dev/ttyACM0"), Usb("/dev/ttyUSB0")};
        auto* look = frmWelcome->findChild<QTimer*>("tmrPorts");
        QVERIFY(look && look->isActive());
        QTRY_COMPARE_WITH_TIMEOUT(box->count(), 6, 5000);
        QVERIFY2(BoxItems(box)[1] == "COM2" && BoxItems(box)[2].endsWith(")"),
                 qPrintable(BoxItems(box).join('|'))); // ttyS1 is there now
        QCOMPARE(BoxItems(box).mid(4),
                 (QStringList{UsbLabel("COM5 - /dev/ttyUSB0"), "COM6 - /dev/ttyACM0"}));
        QCOMPARE(box->currentIndex(), 4);
        frmWelcome->btnConnect->click();
        QVERIFY(IsLinkOpen() && frmWelcome->tmrConnect->isActive());

        // The next run: the other device sorts first and takes COM5.
        NextRun();
        QVERIFY(frmWelcome->cboComPort->currentText().startsWith("COM6 - /dev/ttyUSB0"));
        QCOMPARE(frmWelcome->cboLang->currentIndex(), 2);
        QCOMPARE(LanguageId, int32_t(1028));
    }

    // What is typed into the port box: a COM name, a listed device's path,
    // a new path or a console server's address, the last two given the
    // first free COM name for the run. An address connected to is
    // remembered and listed by the next run, chosen again; the list keeps
    // the latest eight, without repeats.
    void typedEntriesAndRecentAddresses() {
        QTemporaryDir dir;
        ShowStartWindow(dir);
        QComboBox* box = frmWelcome->cboComPort;
        PortBox* ports = frmWelcome->ports;
        QVERIFY(box->isEditable());
        box->setEditText("com3");
        QCOMPARE(ports->TakeEntry(), 3);
        box->setEditText("/dev/ttyUSB0");
        QCOMPARE(ports->TakeEntry(), 5);
        QVERIFY(box->currentText().startsWith("COM5 - /dev/ttyUSB0"));
        QCOMPARE(ports->TakeEntry(), 5); // the item itself
        box->setEditText("/dev/ttyS9");
        QCOMPARE(ports->TakeEntry(), 6);
        QCOMPARE(box->currentText(), QStringLiteral("COM6 - /dev/ttyS9"));

        const QString address = QStringLiteral("telnet://cs1.lab:7001");
        box->setEditText(address);
        frmWelcome->btnConnect->click();
        QVERIFY(IsLinkOpen() && LinkIsNetwork());
        QCOMPARE(platform::ResolvePortName("COM7"), address.toStdString());
        QCOMPARE(RememberedAddresses(), QStringList{address});

        // The next run: the address is listed and chosen again, and gets a
        // COM name when Connect asks for it.
        NextRun();
        box = frmWelcome->cboComPort;
        QCOMPARE(BoxItems(box).mid(4), (QStringList{BoxItems(box)[4], address}));
        QCOMPARE(box->currentText(), address);
        QCOMPARE(frmWelcome->ports->TakeEntry(), 6);
        QCOMPARE(platform::ResolvePortName("COM6"), address.toStdString());

        for (int i = 1; i <= 9; ++i)
            RememberAddress(QStringLiteral("tcp://cs%1:2001").arg(i));
        RememberAddress(QStringLiteral("tcp://cs5:2001"));
        QCOMPARE(
            RememberedAddresses(),
            (QStringList{"tcp://cs5:2001", "tcp://cs9:2001", "tcp://cs8:2001", "tcp://cs7:2001",
                         "tcp://cs6:2001", "tcp://cs4:2001", "tcp://cs3:2001", "tcp://cs2:2001"}));
    }
};

QTEST_MAIN(PortBoxTest)
#include "tst_port_box.moc"
