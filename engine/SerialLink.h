#pragma once
// The serial link: one SerialPort, one reader thread (ComThread), both
// process-wide singletons.
#include "engine/LinkWatchdog.h"
#include "platform/SerialDevice.h"

#include <QString>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>

class SerialPort {
public:
    SerialPort();
    ~SerialPort();
    // Opens "COM<n>" (resolved by the platform layer). 1 on success, -1 on
    // failure (after the port-open message box).
    int Open(int portNumber);
    void Close();
    bool IsOpen() const;
    int Read(); // into rxBuffer, 0..80 bytes, then zero-terminated
    int Write(const uint8_t* bytes, int count);
    // What the device says about the line after a read that brought nothing.
    LinkFault LineFault();
    // The device's note for the transcript, "" when none (SerialDevice).
    std::string TakeNote();
    char rxBuffer[1024] = {};

private:
    std::unique_ptr<platform::SerialDevice> device_;
};

class ComThread {
public:
    explicit ComThread(SerialPort* port);
    ~ComThread();

    // One pass of the reader body: read, then deliver, type or flush.
    // The real thread loops over it; tests call it directly.
    void Cycle();
    // Main-thread steps.
    void DeliverInput();
    void TypeNextKey();
    // Posts WM_CONSOLE_FAULT (lParam: the LinkFault) to the target window.
    void ReportFault();

    void Start();     // runs Cycle on a std::thread until terminated
    void Terminate(); // asks the thread to stop and waits until it has
    bool Terminated() const { return terminate_.load(); }

    // The reader's state: the line being framed and the keys still to type.
    int32_t lineLength = 0;
    char lineBuffer[100] = {};
    std::atomic<bool> sendPending{false};
    char sendBuffer[255] = {};
    SerialPort* port;

private:
    void RunOnMain(void (ComThread::*step)());
    // DeliverInput for bytes read from the line: they are reported to the
    // console's observers first (the flush's lone ESC is not).
    void ReceiveInput();
    // A quiet read: checks the line and the silence, reports a fault once.
    void Quiet();
    // Main-thread step: the device's note goes into the transcript.
    void WriteNote();
    std::string note_;
    LinkWatchdog watchdog_;
    LinkFault fault_ = LinkFaultNone;
    std::atomic<bool> terminate_{false};
    std::thread thread_;
};

// The texts of the port-open message box (1323, 1324, caption 1227) come
// from the language table, which the program installs here at start-up.
// Without a lookup the texts are empty.
void SetLanguageLookup(std::function<QString(int32_t)> lookup);

int OpenComPort(int portNumber);
void StartComThread();
void CloseComPort();
bool IsLinkOpen();
// n of the COMn the link has open (the settings file's default name); 0
// when no link is open.
int OpenPortNumber();

// Whether the port opened last is a network line (a console server's
// port): its hang-up is the server closing the connection.
bool LinkIsNetwork();

// Test seams: the singletons, and stepping the reader without a thread.
SerialPort* GetSerialPort();
ComThread* GetComThread();
void SetManualStepping(bool manual); // StartComThread then starts no thread
void StepComThread();                // one Cycle of the singleton, if any
void ResetLinkFlushCountdown();      // back to its initial 2
