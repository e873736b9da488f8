// The busy window (ShowBusyBox / CloseBusyBox, its texts and refusal to
// close) and the animation player with the project's own animation file.
#include "forms/AviPlayer.h"
#include "forms/FormRefs.h"
#include "forms/Messageform.h"
#include "lang/Language.h"
#include "shared/Publicunit.h"
#include "tools/avi/AviWriter.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <QLabel>
#include <QPointer>
#include <QRandomGenerator>
#include <QTest>

#include <algorithm>
#include <cstring>
#include <functional>

namespace {

QByteArray ToBytes(const std::vector<uint8_t>& v) {
    return QByteArray(reinterpret_cast<const char*>(v.data()), static_cast<qsizetype>(v.size()));
}

void FlushDeletes() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

int LiveBusyWindows() {
    int n = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (qobject_cast<TfrmMessage*>(w) && !static_cast<TForm*>(w)->Freed()) ++n;
    return n;
}

QByteArray GeneratedAnimation() {
    QFile f(QCoreApplication::applicationDirPath() + QStringLiteral("/net_comm.avi"));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A palette where index i is (i, 255 - i, i / 2).
std::vector<aviwriter::Rgb> RampPalette() {
    std::vector<aviwriter::Rgb> p;
    for (int i = 0; i < 256; ++i)
        p.push_back(
            {static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i), static_cast<uint8_t>(i / 2)});
    return p;
}
QRgb Ramp(int i) {
    return qRgb(i, 255 - i, i / 2);
}

} // namespace

class BusyTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        ResetLanguageState();
        QVERIFY(SelectLanguage(0));
        TfrmMessage::SetAnimationPath(QString());
        BusyText.clear();
    }
    void cleanup() {
        CloseBusyBox();
        FlushDeletes();
        QCOMPARE(LiveBusyWindows(), 0);
    }

    void secondShowReplacesTheText() {
        BusyText = "first";
        ShowBusyBox();
        QPointer<TfrmMessage> box = frmMessage.get();
        QVERIFY(box);
        QVERIFY(box->isVisible());
        QVERIFY(!box->isEnabled());
        QCOMPARE(box->lblMsg1->text(), QStringLiteral("first"));
        BusyText = "second\n\n19";
        ShowBusyBox();
        QCOMPARE(frmMessage.get(), box.data());
        QCOMPARE(LiveBusyWindows(), 1);
        QCOMPARE(box->lblMsg1->text(), QStringLiteral("second\n\n19"));
        QCOMPARE(box->lblMsg2->text(), QStringLiteral(" Please wait ..."));
        QCOMPARE(box->windowTitle(), QStringLiteral("GUI Message Box"));
    }

    void closeFreesAndForgets() {
        CloseBusyBox(); // none up: nothing happens
        QVERIFY(!frmMessage.exists());

        ShowBusyBox();
        QPointer<TfrmMessage> first = frmMessage.get();
        CloseBusyBox();
        QVERIFY(!frmMessage.exists());
        QVERIFY(first->Freed());
        FlushDeletes();
        QVERIFY(!first);
        CloseBusyBox();

        // A new showing is a new window, its animation restarted.
        ShowBusyBox();
        QVERIFY(frmMessage.get());
        QCOMPARE(frmMessage.get()->aviComm->currentFrame(), 0);
    }

    void userCannotClose() {
        BusyText = "working";
        ShowBusyBox();
        TfrmMessage* box = frmMessage.get();
        QVERIFY(!box->close()); // the window system's close request
        box->Close();
        FlushDeletes();
        QCOMPARE(frmMessage.get(), box);
        QVERIFY(box->isVisible());
        QVERIFY(!box->Freed());
        QCOMPARE(box->lblMsg1->text(), QStringLiteral("working"));
    }

    void textsFollowTheLanguageWhenShown() {
        QVERIFY(SelectLanguage(1));
        BusyText = GetLangText(1268);
        ShowBusyBox();
        TfrmMessage* box = frmMessage.get();
        QCOMPARE(box->windowTitle(), QStringLiteral(u"GUI 消息框"));
        QCOMPARE(box->lblMsg2->text(), QStringLiteral(u" 请稍候 ..."));
        QCOMPARE(box->lblMsg1->text(), QStringLiteral(u"正在将新设置发送到交换机 ..."));

        // A window that stays up across a language change keeps its texts;
        // only the busy text is replaced (and decoded as the new language).
        QVERIFY(SelectLanguage(2));
        BusyText = GetLangText(1268);
        ShowBusyBox();
        QCOMPARE(box->windowTitle(), QStringLiteral(u"GUI 消息框"));
        QCOMPARE(box->lblMsg1->text(), QStringLiteral(u"正在將新設定傳送到交換器 ..."));

        CloseBusyBox();
        ShowBusyBox();
        QCOMPARE(frmMessage.get()->windowTitle(), QStringLiteral(u"GUI 訊息視窗"));
    }

    void playsTheProgramFolderAnimation() {
        ShowBusyBox();
        AviPlayer* avi = frmMessage.get()->aviComm;
        QVERIFY(avi->isVisibleTo(frmMessage.get()));
        QCOMPARE(avi->frameCount(), 16);
        QVERIFY(avi->isPlaying());
    }

    void missingAnimationStillShowsTexts() {
        TfrmMessage::SetAnimationPath(QStringLiteral("/nonexistent/net_comm.avi"));
        BusyText = "no animation";
        ShowBusyBox();
        TfrmMessage* box = frmMessage.get();
        QVERIFY(box->isVisible());
        QCOMPARE(box->aviComm->frameCount(), 0);
        QVERIFY(!box->aviComm->isVisibleTo(box));
        QCOMPARE(box->lblMsg1->text(), QStringLiteral("no animation"));
        QCOMPARE(box->lblMsg2->text(), QStringLiteral(" Please wait ..."));
    }

    // ---- the animation player ----

    void decodesTheGeneratedAnimation() {
        const QByteArray bytes = GeneratedAnimation();
        QVERIFY(!bytes.isEmpty());
        AviPlayer player;
        QVERIFY(player.openData(bytes));
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
        QVERIFY(player.frame(16).isNull());
        QVERIFY(player.frame(-1).isNull());
        for (int i = 0; i < 16; ++i)
            player.advance();
        QCOMPARE(player.currentFrame(), 0);
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

        // Every chunk and list size field of the file set to values that
        // point past the end, or cut a chunk short.
        std::vector<qsizetype> sizeFields;
        std::function<void(qsizetype, qsizetype)> walk = [&](qsizetype pos, qsizetype end) {
            while (end - pos >= 8) {
                const auto* p = reinterpret_cast<const uchar*>(good.constData()) + pos;
                const qsizetype len = p[4] | (p[5] << 8) | (p[6] << 16) | (qsizetype(p[7]) << 24);
                sizeFields.push_back(pos + 4);
                if (std::memcmp(p, "LIST", 4) == 0) walk(pos + 12, pos + 8 + len);
                pos += 8 + len + (len & 1);
            }
        };
        walk(12, good.size());
        QVERIFY(sizeFields.size() > 16 + 5);
        for (qsizetype at : sizeFields) {
            for (quint32 v : {0xFFFFFFFFu, 0x7FFFFFFFu, 0x10000u, 3u, 0u}) {
                QByteArray bad = good;
                for (int b = 0; b < 4; ++b)
                    bad[at + b] = static_cast<char>((v >> (8 * b)) & 0xFF);
                // Must not crash or read outside; some values still leave a
                // playable file (a shorter frame, an ignored chunk).
                if (player.openData(bad)) QCOMPARE(player.frameSize(), QSize(272, 60));
            }
        }

        QRandomGenerator rng(1234);
        for (int i = 0; i < 200; ++i) {
            QByteArray junk(64 + i * 13, '\0');
            for (auto& c : junk)
                c = static_cast<char>(rng.bounded(256));
            if (i % 2)
                junk.replace(0, 12,
                             QByteArray("RIFF\x10\x00\x00\x00"
                                        "AVI ",
                                        12));
            QVERIFY(!player.openData(junk));
        }

        // Lists nested deeper than any real file, each size exact.
        QByteArray nested;
        for (int i = 0; i < 50; ++i) {
            QByteArray list("LIST");
            const quint32 len = static_cast<quint32>(nested.size() + 4);
            for (int b = 0; b < 4; ++b)
                list += static_cast<char>((len >> (8 * b)) & 0xFF);
            nested = list + "movi" + nested;
        }
        const quint32 riffLen = static_cast<quint32>(nested.size() + 4);
        QByteArray riff("RIFF");
        for (int b = 0; b < 4; ++b)
            riff += static_cast<char>((riffLen >> (8 * b)) & 0xFF);
        QString why;
        avi::Clip clip;
        QVERIFY(!avi::Decode(riff + "AVI " + nested, clip, &why));
        QVERIFY(why.contains(QStringLiteral("nested")));
        QVERIFY(!player.open(QStringLiteral("/nonexistent.avi")));
    }

    void uncompressedFramesKeepTheirOrientation() {
        // 3 x 2 frames: top row red, green, blue; bottom row white, black, grey.
        const QRgb top[3] = {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255)};
        const QRgb bottom[3] = {qRgb(255, 255, 255), qRgb(0, 0, 0), qRgb(128, 128, 128)};
        for (int bits : {24, 32}) {
            for (bool topDown : {false, true}) {
                aviwriter::Movie m;
                m.width = 3;
                m.height = topDown ? -2 : 2;
                m.bitCount = static_cast<uint16_t>(bits);
                const uint32_t stride = aviwriter::DibStride(3, m.bitCount);
                std::vector<uint8_t> data(stride * 2, 0);
                for (int row = 0; row < 2; ++row) {
                    const QRgb* src = (row == 0) == topDown ? top : bottom;
                    for (int x = 0; x < 3; ++x) {
                        uint8_t* px = data.data() + row * stride + x * (bits / 8);
                        px[0] = static_cast<uint8_t>(qBlue(src[x]));
                        px[1] = static_cast<uint8_t>(qGreen(src[x]));
                        px[2] = static_cast<uint8_t>(qRed(src[x]));
                    }
                }
                m.frames = {data, {}}; // an empty chunk repeats the frame
                AviPlayer player;
                QVERIFY(player.openData(ToBytes(aviwriter::WriteAvi(m))));
                QCOMPARE(player.frameCount(), 2);
                for (int f = 0; f < 2; ++f)
                    for (int x = 0; x < 3; ++x) {
                        QCOMPARE(player.frame(f).pixel(x, 0), top[x]);
                        QCOMPARE(player.frame(f).pixel(x, 1), bottom[x]);
                    }
                m.frames = {std::vector<uint8_t>(data.begin(), data.end() - 1)};
                QVERIFY(!player.openData(ToBytes(aviwriter::WriteAvi(m))));
            }
        }
    }

    void palettisedUncompressedFrames() {
        aviwriter::Movie m;
        m.width = 5;
        m.height = 2;
        m.palette = RampPalette();
        m.frames = {{10, 11, 12, 13, 14, 0, 0, 0, 20, 21, 22, 23, 24, 0, 0, 0}};
        AviPlayer player;
        QVERIFY(player.openData(ToBytes(aviwriter::WriteAvi(m))));
        for (int x = 0; x < 5; ++x) {
            QCOMPARE(player.frame(0).pixel(x, 1), Ramp(10 + x));
            QCOMPARE(player.frame(0).pixel(x, 0), Ramp(20 + x));
        }
        // Indexes beyond a short palette show black instead of reading past it.
        m.palette.resize(12);
        QVERIFY(player.openData(ToBytes(aviwriter::WriteAvi(m))));
        QCOMPARE(player.frame(0).pixel(1, 1), Ramp(11));
        QCOMPARE(player.frame(0).pixel(2, 1), qRgb(0, 0, 0));
    }

    void rle8RoundTripAndDeltaFrames() {
        // An image with runs, literals and short pieces, encoded and decoded.
        const int w = 37, h = 9;
        std::vector<uint8_t> px(w * h);
        QRandomGenerator rng(99);
        for (int i = 0; i < w * h; ++i)
            px[i] = static_cast<uint8_t>(i % 11 < 5 ? 7 : rng.bounded(256));
        aviwriter::Movie m;
        m.width = w;
        m.height = h;
        m.compression = aviwriter::kBiRle8;
        m.palette = RampPalette();
        m.frames.push_back(aviwriter::EncodeRle8(px, w, h));
        // Second frame: move down 2 rows and right 3 from the bottom-left,
        // draw an absolute block of 3 and a run of 2, then end. Everything
        // else stays as in the first frame.
        m.frames.push_back({0, 2, 3, 2, 0, 3, 200, 201, 202, 0, 2, 250, 0, 1});
        AviPlayer player;
        QVERIFY(player.openData(ToBytes(aviwriter::WriteAvi(m))));
        QCOMPARE(player.frameCount(), 2);
        const QImage f0 = player.frame(0), f1 = player.frame(1);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                QCOMPARE(f0.pixel(x, y), Ramp(px[y * w + x]));
        const int row = h - 1 - 2;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                QRgb want = f0.pixel(x, y);
                if (y == row && x >= 3 && x < 6) want = Ramp(200 + x - 3);
                if (y == row && (x == 6 || x == 7)) want = Ramp(250);
                QCOMPARE(f1.pixel(x, y), want);
            }

        // Runs past the line end are clipped, not wrapped or written outside.
        m.frames = {{255, 9, 0, 0, 255, 8, 0, 1}};
        QVERIFY(player.openData(ToBytes(aviwriter::WriteAvi(m))));
        QCOMPARE(player.frame(0).pixel(w - 1, h - 1), Ramp(9));
        QCOMPARE(player.frame(0).pixel(0, h - 2), Ramp(8));
        QCOMPARE(player.frame(0).pixel(0, h - 3), Ramp(0));

        // An absolute block longer than the data is corrupt.
        m.frames = {{0, 40, 1, 2, 3}};
        QVERIFY(!player.openData(ToBytes(aviwriter::WriteAvi(m))));
        // So is a format this player does not play.
        m.frames = {{0, 1}};
        m.bitCount = 16;
        QVERIFY(!player.openData(ToBytes(aviwriter::WriteAvi(m))));
    }
};

QTEST_MAIN(BusyTest)
#include "busy_test.moc"
