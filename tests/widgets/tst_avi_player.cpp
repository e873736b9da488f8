// The animation player with the project's own animation file: decoding,
// frame timing, damaged files, RLE8 details, and decoding a file only once.
#include "forms/widgets/AviPlayer.h"
#include "tools/avi/AviWriter.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray Avi(const aviwriter::Movie& m) {
    const std::vector<uint8_t> v = aviwriter::WriteAvi(m);
    return QByteArray(reinterpret_cast<const char*>(v.data()), static_cast<qsizetype>(v.size()));
}

QByteArray GeneratedAnimation() {
    QFile f(QCoreApplication::applicationDirPath() + QStringLiteral("/net_comm.avi"));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Palette index i is (i, 255 - i, i / 2).
QRgb Ramp(int i) {
    return qRgb(i, 255 - i, i / 2);
}

} // namespace

class AviPlayerTest : public QObject {
    Q_OBJECT

private slots:
    void decodesTheGeneratedAnimation() {
        AviPlayer player;
        QVERIFY(player.openData(GeneratedAnimation()));
        QCOMPARE(player.frameCount(), 16);
        QCOMPARE(player.frameSize(), QSize(272, 60));
        QCOMPARE(player.frameIntervalMs(), 100);
        const QImage f0 = player.frame(0), f8 = player.frame(8);
        // The left screen's centre, and the outgoing packet at the start of
        // the cable in frame 0 that has moved on by frame 8.
        QCOMPARE(f0.pixel(35, 24), qRgb(0, 64, 160));
        QCOMPARE(f0.pixel(70, 18), qRgb(0, 170, 0));
        QCOMPARE(f8.pixel(70, 18), qRgb(40, 40, 40));
        QCOMPARE(f0.pixel(0, 0), qRgb(240, 240, 240));
        QVERIFY(player.frame(16).isNull() && player.frame(-1).isNull());
        for (int i = 0; i < 16; ++i)
            player.advance();
        QCOMPARE(player.currentFrame(), 0);
    }

    // Frames keep their rate, and one that is nearly due is shown when the
    // program wakes for something else, not on a wake-up of its own.
    void framesRideOnOtherWakeUps() {
        AviPlayer player;
        QVERIFY(player.openData(GeneratedAnimation()));
        player.play();
        auto* dispatcher = QAbstractEventDispatcher::instance();
        emit dispatcher->awake(); // too early for the next frame
        QCOMPARE(player.currentFrame(), 0);
        QTest::qSleep(80); // three quarters of the 100 ms frame have passed
        emit dispatcher->awake();
        QCOMPARE(player.currentFrame(), 1);
        QTRY_COMPARE_WITH_TIMEOUT(player.currentFrame(), 2, 1000);
        player.stop();
        QTest::qSleep(110);
        emit dispatcher->awake();
        QCoreApplication::processEvents();
        QCOMPARE(player.currentFrame(), 2);
        QVERIFY(!player.isPlaying());
    }

    void rejectsTruncatedAndGarbageFiles() {
        const QByteArray good = GeneratedAnimation();
        QVERIFY(good.size() > 1000);
        AviPlayer player;
        for (qsizetype cut = 0; cut < good.size(); cut += 97) {
            QVERIFY2(!player.openData(good.left(cut)), qPrintable(QString::number(cut)));
            QCOMPARE(player.frameCount(), 0);
        }
        QVERIFY(!player.openData(good.left(good.size() - 1)));

        QRandomGenerator rng(1234);
        for (int i = 0; i < 200; ++i) {
            QByteArray junk(64 + i * 13, '\0');
            for (auto& c : junk)
                c = static_cast<char>(rng.bounded(256));
            if (i % 2) junk.replace(0, 12, QByteArray("RIFF\x10\x00\x00\x00AVI ", 12));
            QVERIFY(!player.openData(junk));
        }

        QVERIFY(!player.open(QStringLiteral("/nonexistent.avi")));
    }

    // The busy window opens its file at every showing: it is decoded once,
    // and again when it changes.
    void fileIsDecodedOnceUntilItChanges() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("a.avi"));
        auto write = [&](const QByteArray& bytes, const QDateTime& time) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
            f.close();
            QVERIFY(f.open(QIODevice::ReadWrite));
            QVERIFY(f.setFileTime(time, QFileDevice::FileModificationTime));
        };
        const QByteArray good = GeneratedAnimation();
        QByteArray other = good; // same size, one palette entry changed
        other[other.indexOf("strf") + 8 + 40] = char(0x55);
        const QDateTime t0 = QDateTime::currentDateTime().addSecs(-60);
        AviPlayer player;
        write(good, t0);
        QVERIFY(player.open(path));
        const QImage first = player.frame(0);
        write(other, t0); // same size and time: taken as unchanged
        QVERIFY(player.open(path));
        QCOMPARE(player.frame(0), first);
        write(other, t0.addSecs(1));
        QVERIFY(player.open(path));
        QVERIFY(player.frame(0) != first);
        write(good.left(100), t0.addSecs(2));
        QVERIFY(!player.open(path));
        QCOMPARE(player.frameCount(), 0);
    }

    void rle8DeltasClippingAndShortPalette() {
        aviwriter::Movie m;
        m.width = 4;
        m.height = 3;
        m.compression = aviwriter::kBiRle8;
        for (int i = 0; i < 12; ++i) // a short palette
            m.palette.push_back({uint8_t(i), uint8_t(255 - i), uint8_t(i / 2)});
        // Bottom row: a run past the line end (clipped, not wrapped); middle
        // row: a run of an index past the palette (black); top row: a move
        // one to the right, then a literal block of 3; end of picture.
        m.frames = {{255, 9, 0, 0, 255, 200, 0, 0, 0, 2, 1, 0, 0, 3, 1, 2, 3, 0, 0, 1}};
        AviPlayer player;
        QVERIFY(player.openData(Avi(m)));
        for (int x = 0; x < 4; ++x) {
            QCOMPARE(player.frame(0).pixel(x, 2), Ramp(9));
            QCOMPARE(player.frame(0).pixel(x, 1), qRgb(0, 0, 0));
            QCOMPARE(player.frame(0).pixel(x, 0), Ramp(x));
        }
        // A literal block longer than the data is corrupt; 16-bit frames
        // are not played.
        m.frames = {{0, 40, 1, 2, 3}};
        QVERIFY(!player.openData(Avi(m)));
        m.frames = {{0, 1}};
        m.bitCount = 16;
        QVERIFY(!player.openData(Avi(m)));
    }
};

QTEST_MAIN(AviPlayerTest)
#include "tst_avi_player.moc"
