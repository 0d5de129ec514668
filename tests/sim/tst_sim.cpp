#include "SimCrc.h"
#include "SimScenario.h"
#include "VirtualHidBackend.h"

#include <QElapsedTimer>
#include <QtTest>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace {

using Bytes = std::vector<uint8_t>;
using Options = VirtualKeyboard::Options;

// The test's own frame writer, kept apart from the keyboard's.
Bytes frame(uint8_t command, const Bytes &payload)
{
    Bytes f(4 + payload.size(), 0);
    f[0] = 0x5C;
    f[1] = uint8_t(payload.size());
    f[2] = command;
    std::copy(payload.begin(), payload.end(), f.begin() + 4);
    unsigned sum = 0x5C + f[1] + command + 0x35 + (payload.empty() ? 0 : payload.back());
    f[3] = uint8_t(sum);
    return f;
}

void putU16(Bytes &b, unsigned v) { b.push_back(uint8_t(v)); b.push_back(uint8_t(v >> 8)); }
void putU32(Bytes &b, uint32_t v) { putU16(b, v & 0xFFFF); putU16(b, v >> 16); }

// An answer as the test reads it: a byte past its end (the answer never came)
// fails the test with a message instead of reading out of bounds.
struct Answer : Bytes {
    Answer() = default;
    Answer(Bytes bytes) : Bytes(std::move(bytes)) {}
    uint8_t operator[](size_t i) const
    {
        if (i < size())
            return Bytes::operator[](i);
        if (!QTest::currentTestFailed())
            QTest::qFail(qPrintable(QString("byte %1 of an answer of %2 bytes: the answer is missing")
                                        .arg(i).arg(size())),
                         __FILE__, __LINE__);
        return 0;
    }
};

unsigned u16At(const Answer &f, int payloadOffset) { return f[4 + payloadOffset] | (f[5 + payloadOffset] << 8); }

Options quiet()
{
    Options o;
    o.latencyUs = 0;
    o.eraseStepUs = 0;
    o.rebootDelayMs = 5;
    o.detachDelayMs = 1;
    return o;
}

struct Host {
    VirtualHidBackend &backend;
    HidHandle *handle = nullptr;

    Host(VirtualHidBackend &b, const std::string &path) : backend(b), handle(b.open(path)) {}
    ~Host() { if (handle) backend.close(handle); }

    int send(const Bytes &f)
    {
        Bytes buffer(f);
        buffer.resize((f.size() + 63) / 64 * 64, 0);
        for (size_t off = 0; off < buffer.size(); off += 64) {
            uint8_t report[65] = {0};
            std::copy(buffer.begin() + long(off), buffer.begin() + long(off + 64), report + 1);
            const int r = backend.write(handle, report, sizeof report);
            if (r < 0)
                return r;
        }
        return int(buffer.size());
    }

    // One answer frame, assembled from as many reports as its length needs.
    Answer receive(int timeoutMs = 200)
    {
        uint8_t report[64];
        if (backend.readTimeout(handle, report, 64, timeoutMs) != 64)
            return {};
        Bytes f(report, report + 64);
        while (f.size() < size_t(f[1]) + 4u) {
            if (backend.readTimeout(handle, report, 64, timeoutMs) != 64)
                return {};
            f.insert(f.end(), report, report + 64);
        }
        f.resize(size_t(f[1]) + 4);
        return f;
    }

    Answer exchange(uint8_t command, const Bytes &payload)
    {
        if (send(frame(command, payload)) < 0)
            return {};
        return receive();
    }
};

bool checksumOk(const Bytes &f)
{
    return !f.empty() && frame(f[2], Bytes(f.begin() + 4, f.end()))[3] == f[3];
}

Bytes perKey(uint8_t selector, const std::vector<std::array<unsigned, 3>> &entries)
{
    Bytes p{selector};
    for (size_t i = 0; i < 14; ++i) {
        const auto e = i < entries.size() ? entries[i] : std::array<unsigned, 3>{0xFF, 0xFF, 0xFF};
        p.push_back(uint8_t(e[0]));
        p.push_back(uint8_t(e[1]));
        putU16(p, e[2]);
    }
    return p;
}

} // namespace

class TestSim : public QObject {
    Q_OBJECT
private slots:
    void enumeratesInterfacesAndUnrelatedDevices();
    void answersInformationAndIgnoresBadFrames();
    void assemblesMultiReportFramesBothWays();
    void readsHonourTimeOutsAndLatency();
    void perKeyParametersRoundTripByWireKey();
    void advancedKeysLandInParameters();
    void recordsAndSubCodes();
    void bootLoaderUpdateCycle();
    void faultsOnDemand();
    void periodicFaultsFollowOneCommand();
    void seriesFaultsHitOneFrameOnce();
    void timedUnplugComesBackInOrder();
    void usagePagesOrderAndForeignWrites();
    void scenarioTextBuildsTheKeyboard();
    void typedKeysTravelDownAndBack();
};

void TestSim::enumeratesInterfacesAndUnrelatedDevices()
{
    VirtualHidBackend backend;
    VirtualKeyboard &kb = backend.addKeyboard(quiet());
    QCOMPARE(backend.enumerate(0, 0).size(), size_t(4));

    const auto mine = backend.enumerate(0x1C4F, 0xEE88);
    QCOMPARE(mine.size(), size_t(2));
    QCOMPARE(mine[0].path, std::string("sim:kb0:if0"));
    QCOMPARE(mine[1].path, kb.configPath());
    QCOMPARE(mine[1].interfaceNumber, 1);
    QCOMPARE(backend.enumerate(0x1C4F, 0).size(), size_t(3)); // the vendor's other product too

    // The silent interface takes the request and never answers.
    Host silent(backend, mine[0].path);
    QVERIFY(silent.handle);
    QCOMPARE(silent.send(frame(0x01, {0xFF, 0xFF})), 64);
    QVERIFY(silent.receive(20).empty());
    QCOMPARE(kb.framesReceived(), 1);

    // An unrelated device opens without a serial number and stays quiet.
    Host other(backend, "sim:kb0:other0");
    wchar_t text[64];
    QCOMPARE(backend.serialNumberString(other.handle, text, 64), -1);
    QCOMPARE(backend.manufacturerString(other.handle, text, 64), 0);
    QCOMPARE(other.send(frame(0x01, {0xFF, 0xFF})), 64);
    QVERIFY(other.receive(10).empty());

    std::vector<std::pair<std::string, bool>> heard;
    backend.addPlugListener([&](const std::string &p, bool arrived) { heard.emplace_back(p, arrived); });
    kb.unplug();
    QCOMPARE(backend.enumerate(0x1C4F, 0xEE88).size(), size_t(0));
    QCOMPARE(backend.enumerate(0, 0).size(), size_t(2));
    QVERIFY(!backend.open(kb.configPath()));
    QCOMPARE(silent.send(frame(0x01, {0xFF, 0xFF})), -1);
    kb.plug();
    QCOMPARE(heard.size(), size_t(4));
    QCOMPARE(heard[1], std::make_pair(kb.configPath(), false));
    QCOMPARE(heard[3], std::make_pair(kb.configPath(), true));
    // A handle from before the unplug stays dead, as with a real device.
    QCOMPARE(silent.send(frame(0x01, {0xFF, 0xFF})), -1);
}

void TestSim::answersInformationAndIgnoresBadFrames()
{
    QCOMPARE(frame(0x01, {0xFF, 0xFF})[3], uint8_t(0x93));
    VirtualHidBackend backend;
    Options o = quiet();
    o.family = 3;
    VirtualKeyboard &kb = backend.addKeyboard(o);
    Host host(backend, kb.configPath());

    const Bytes a = host.exchange(0x01, {1, 2, 3, 4, 0xFF, 0xFF});
    QVERIFY(checksumOk(a));
    QCOMPARE(a[2], uint8_t(0x81));
    QCOMPARE(a[4], uint8_t(0));
    QCOMPARE(uint32_t(u16At(a, 1) | (u16At(a, 3) << 16)), kb.state().boardId);
    QCOMPARE(a[4 + 4], uint8_t(3)); // family in the top byte
    QCOMPARE(a[4 + 7], uint8_t(0)); // application running
    QCOMPARE(a[4 + 8], uint8_t(16));
    QCOMPARE(std::string(a.begin() + 4 + 26, a.begin() + 4 + 26 + a[4 + 25]), std::string("V1.0.3"));
    QCOMPARE(std::string(a.begin() + 4 + 43, a.begin() + 4 + 43 + a[4 + 42]), std::string("VKB"));

    Bytes bad = frame(0x01, {0xFF, 0xFF});
    bad[3] ^= 1;
    host.send(bad);
    Bytes noise(64, 0x11);
    host.send(noise);
    QVERIFY(host.receive(20).empty());
    QCOMPARE(kb.badFrames(), 2);

    // Unknown commands get a refusal rather than silence.
    const Bytes unknown = host.exchange(0x77, {0, 0xFF, 0xFF});
    QCOMPARE(unknown[2], uint8_t(0xF7));
    QCOMPARE(unknown[4], uint8_t(1));
}

void TestSim::assemblesMultiReportFramesBothWays()
{
    VirtualHidBackend backend;
    Options o = quiet();
    o.startInBootLoader = true;
    VirtualKeyboard &kb = backend.addKeyboard(o);
    Host host(backend, kb.configPath());

    Bytes payload;
    putU32(payload, 0x10000); // erased flash, past the running image
    putU16(payload, 200);
    for (int i = 0; i < 200; ++i)
        payload.push_back(uint8_t(i));
    Bytes f = frame(0x0C, payload);
    f.resize(256, 0);
    for (int r = 0; r < 4; ++r) {
        uint8_t report[65] = {0};
        std::copy(f.begin() + r * 64, f.begin() + r * 64 + 64, report + 1);
        QCOMPARE(backend.write(host.handle, report, 65), 65);
        QCOMPARE(kb.framesReceived(), r == 3 ? 1 : 0);
    }
    const Bytes ack = host.receive();
    QCOMPARE(ack[2], uint8_t(0x8C));
    QCOMPARE(ack[4], uint8_t(0));
    const auto flash = kb.state().flash;
    QCOMPARE(flash[0x10000 + 199], uint8_t(199));
    QCOMPARE(flash[0x10000 + 200], uint8_t(0xFF));
    QCOMPARE(kb.frameLog().front().bytes.size(), size_t(210));

    // A 132-byte answer arrives as three reports.
    kb.modify([](VirtualKeyboard::State &s) { s.bootLoader = false; });
    kb.pressKey(5, 20, 1.0);
    QCOMPARE(host.send(frame(0x12, {3, 1, 0xFF, 0xFF})), 64);
    uint8_t report[64];
    int reports = 0;
    while (backend.readTimeout(host.handle, report, 64, 20) == 64)
        ++reports;
    QCOMPARE(reports, 3);
    const Bytes answer = kb.frameLog().back().bytes;
    QCOMPARE(answer.size(), size_t(132));
    QVERIFY(checksumOk(answer));
}

void TestSim::readsHonourTimeOutsAndLatency()
{
    VirtualHidBackend backend;
    Options o = quiet();
    o.latencyUs = 40000;
    VirtualKeyboard &kb = backend.addKeyboard(o);
    Host host(backend, kb.configPath());
    uint8_t report[64];

    QElapsedTimer t;
    t.start();
    QCOMPARE(backend.readTimeout(host.handle, report, 64, 30), 0);
    QVERIFY(t.elapsed() >= 29);

    host.send(frame(0x01, {0xFF, 0xFF}));
    t.restart();
    // Whenever it is read, it was not readable before its latency.
    int n = backend.readTimeout(host.handle, report, 64, 5);
    if (n == 0)
        n = backend.readTimeout(host.handle, report, 64, 20000);
    QCOMPARE(n, 64);
    QVERIFY(t.elapsed() >= 35);

    // A reader blocked without a time-out wakes with -1 when the device goes.
    std::atomic<int> result{1};
    std::thread reader([&] { result = backend.readTimeout(host.handle, report, 64, -1); });
    QVERIFY(kb.waitForFramesReceived(1, 20000));
    kb.unplug();
    reader.join();
    QCOMPARE(result.load(), -1);
}

void TestSim::perKeyParametersRoundTripByWireKey()
{
    VirtualHidBackend backend;
    VirtualKeyboard &kb = backend.addKeyboard(quiet());
    Host host(backend, kb.configPath());
    const int cellA = VirtualKeyboard::State::cell(3, 1); // 'A' (0x04) in family 0

    QCOMPARE(kb.cellOf(0x04), cellA);
    const Bytes w = host.exchange(0x23, perKey(1, {{0x04, 4, 1500}, {0x90, 4, 777}, {0x04, 21, 250}}));
    QCOMPARE(w[2], uint8_t(0xA3));
    QCOMPARE(u16At(w, 3), 1500u);
    QCOMPARE(w[4 + 5], uint8_t(0x90)); // not in the matrix: echoed, nothing stored
    QCOMPARE(u16At(w, 7), 777u);
    QCOMPARE(kb.param(4, 3, 1), uint16_t(1500));
    QCOMPARE(kb.param(21, 3, 1), uint16_t(250));
    QVERIFY(!kb.state().saved);

    kb.fillDistinctive();
    const Bytes r = host.exchange(0x23, perKey(0, {{0x04, 4, 0xFFFF}, {0x01, 0, 0xFFFF}, {0, 4, 0xFFFF}}));
    QCOMPARE(u16At(r, 3), 1000u + cellA * 7u);
    QCOMPARE(u16At(r, 7), 0xF001u); // Fn key, layer 0
    QCOMPARE(u16At(r, 11), 0xFFFFu); // key 0 names no cell
}

void TestSim::advancedKeysLandInParameters()
{
    VirtualHidBackend backend;
    VirtualKeyboard &kb = backend.addKeyboard(quiet());
    Host host(backend, kb.configPath());
    kb.setParam(8, 3, 1, 0x20); // trigger mode bits survive a binding

    Bytes mt{1, 0x04, 0x05, 0x06, 20};
    for (int i = 1; i < 14; ++i)
        mt.insert(mt.end(), {0xFF, 0, 0, 0});
    QCOMPARE(host.exchange(0x24, mt)[2], uint8_t(0xA4));
    QCOMPARE(kb.param(8, 3, 1), uint16_t(0x23));
    QCOMPARE(kb.param(9, 3, 1), uint16_t(0x05));
    QCOMPARE(kb.param(10, 3, 1), uint16_t(0x06));
    QCOMPARE(kb.param(19, 3, 1), uint16_t(20));

    Bytes dks{1, 0x07, 8, 9, 10, 11, 0x01, 0x02, 0x04, 0x18};
    putU16(dks, 1500);
    for (int i = 1; i < 5; ++i) {
        Bytes empty(11, 0);
        empty[0] = 0xFF;
        dks.insert(dks.end(), empty.begin(), empty.end());
    }
    host.exchange(0x26, dks);
    const int d = kb.cellOf(0x07);
    const auto s = kb.state();
    QCOMPARE(s.params[8][d] & 0x0F, 1);
    QCOMPARE(s.params[12][d], uint16_t(11));
    QCOMPARE(s.params[16][d], uint16_t(0x18));
    QCOMPARE(s.params[5][d], uint16_t(1500));

    Bytes mpt{1, 0x0B, 0x1E, 0x1F, 0x20};
    putU16(mpt, 800); putU16(mpt, 1600); putU16(mpt, 2400);
    host.exchange(0x27, mpt); // a short request: only whole entries count
    const int h = kb.cellOf(0x0B);
    QCOMPARE(kb.state().params[7][h], uint16_t(2400));
    QCOMPARE(kb.state().params[8][h] & 0x0F, 2);

    Bytes socd{1, 0x14, 0x1A, 0x1A, 0x14, 0xFF, 0x04};
    host.exchange(0x2C, socd);
    QCOMPARE(kb.state().params[9][kb.cellOf(0x1A)], uint16_t(0x14));
    QCOMPARE(kb.state().params[8][kb.cellOf(0x14)] & 0x0F, 8);
    QCOMPARE(kb.state().params[9][kb.cellOf(0xE1)], uint16_t(0)); // 0xFF entry ignored

    // A read answers from the parameters.
    const Bytes r = host.exchange(0x24, Bytes{0, 0x04, 0, 0, 0});
    QCOMPARE(Bytes(r.begin() + 5, r.begin() + 9), (Bytes{0x04, 0x05, 0x06, 20}));
}

void TestSim::recordsAndSubCodes()
{
    VirtualHidBackend backend;
    VirtualKeyboard &kb = backend.addKeyboard(quiet());
    Host host(backend, kb.configPath());

    Bytes light{1};
    putU32(light, 0xFF112233);
    for (int i = 0; i < 8; ++i)
        putU32(light, 0xFF000000u + i);
    light.insert(light.end(), {0x11, 4, 6, 2, 9, 0xFF, 0xFF});
    host.exchange(0x18, light);
    const Bytes l = host.exchange(0x18, Bytes{0});
    QCOMPARE(l[2], uint8_t(0x98));
    QCOMPARE(Bytes(l.begin() + 5, l.begin() + 46), Bytes(light.begin() + 1, light.begin() + 42));

    Bytes db{1};
    for (unsigned v : {1u, 2u, 3u, 4u, 5u, 6u, 7u})
        putU16(db, v);
    host.exchange(0x29, db);
    QCOMPARE(kb.state().deadBand.db3, uint16_t(7));

    auto sub = [&](Bytes p) { p.insert(p.end(), {0xFF, 0xFF}); return host.exchange(0x00, p); };
    QCOMPARE(sub({33})[6], uint8_t(1));
    sub({49});
    QCOMPARE(sub({33})[6], uint8_t(0));
    QCOMPARE(sub({34})[6], uint8_t(1));
    const Bytes prec = sub({37});
    QCOMPARE(Bytes(prec.begin() + 4, prec.begin() + 7), (Bytes{0, 37, 10}));
    QCOMPARE(u16At(prec, 5), 4000u);
    kb.modify([](VirtualKeyboard::State &s) { s.name = std::string(31, 'x') + "\xCE\xA9"; });
    const Bytes name = sub({38});
    QCOMPARE(name[1], uint8_t(34));
    QCOMPARE(name[4 + 2 + 31], uint8_t(0)); // a two-byte character is not cut in half
    QCOMPARE(sub({80, 4})[6], uint8_t(4));
    QCOMPARE(sub({80, 7})[6], uint8_t(4)); // 7 only asks
    sub({12});
    QVERIFY(kb.state().calibrating);
    sub({2});
    QVERIFY(kb.state().saved);
    sub({17});
    QCOMPARE(kb.state().deadBand.db3, uint16_t(30));
    QCOMPARE(kb.state().factoryResets, 1);
    QCOMPARE(sub({99})[4], uint8_t(1));

    const Bytes rows = host.exchange(0x2B, {0, 4, 5});
    QCOMPARE(rows[4 + 1], uint8_t(4));
    QCOMPARE(rows[4 + 23], uint8_t(5));
    QCOMPARE(rows[4 + 24 + 11], uint8_t(0x01)); // Fn at row 5, column 11
    QCOMPARE(host.exchange(0x2B, {0, 6, 7})[4], uint8_t(1));

    kb.pressKey(3, 2, 2.5);
    const Bytes t2 = host.exchange(0x12, {2, 2, 0xFF, 0xFF});
    QCOMPARE(u16At(t2, 2 + 2 * 2), 2500u); // row 3 opens the second slice
    const Bytes t3 = host.exchange(0x12, {3, 1, 0xFF, 0xFF});
    QCOMPARE(t3[4 + 2 + 3 * 21 + 2], uint8_t(1));
    QCOMPARE(host.exchange(0x12, {3, 2, 0xFF, 0xFF})[4], uint8_t(1));

    Bytes macro{1};
    putU16(macro, 256);
    macro.push_back(2);
    putU32(macro, 0x10000004);
    putU32(macro, 0x80000004);
    host.exchange(0x20, macro);
    QCOMPARE(kb.state().macroSteps.at(257), uint32_t(0x80000004));
    Bytes tooMany{1, 0, 0, 15};
    QCOMPARE(host.exchange(0x20, tooMany)[4], uint8_t(1));
}

void TestSim::bootLoaderUpdateCycle()
{
    Bytes check{'1', '2', '3', '4', '5', '6', '7', '8', '9'};
    QCOMPARE(simCrc16Kermit(check.data(), check.size()), uint16_t(0x2189));

    VirtualHidBackend backend;
    VirtualKeyboard &kb = backend.addKeyboard(quiet());
    std::vector<bool> plugEvents;
    backend.addPlugListener([&](const std::string &p, bool arrived) {
        if (p == kb.configPath())
            plugEvents.push_back(arrived);
    });
    auto host = std::make_unique<Host>(backend, kb.configPath());

    // The application erases and answers CRC queries too.
    Bytes range;
    putU32(range, 0);
    putU32(range, 1024);
    Bytes erase = range;
    erase.push_back(0xFF);
    QCOMPARE(host->exchange(0x09, erase)[2], uint8_t(0x89));
    QCOMPARE(host->receive()[4 + 1], uint8_t(1));
    QCOMPARE(host->receive()[4 + 1], uint8_t(0xFF));

    QCOMPARE(host->exchange(0x0A, {0xFF, 0xFF})[2], uint8_t(0x8A));
    QVERIFY(kb.waitForDepartures(1, 20000));
    QCOMPARE(host->receive(10), Bytes{}); // old handle is dead
    QVERIFY(kb.waitForPlugged(true, 20000));
    host = std::make_unique<Host>(backend, kb.configPath());
    const Bytes info = host->exchange(0x01, {0xFF, 0xFF});
    QCOMPARE(info[4 + 7], uint8_t(0xFF));
    QVERIFY(std::string(info.begin() + 30, info.begin() + 30 + info[29]).find("Boot") != std::string::npos);
    QCOMPARE(plugEvents, (std::vector<bool>{false, true}));

    Bytes image(1000);
    for (size_t i = 0; i < image.size(); ++i)
        image[i] = uint8_t(i * 7);
    image.resize(1024, 0xFF);
    for (uint32_t off = 0; off < image.size(); off += 244) {
        const uint16_t n = uint16_t(std::min<size_t>(244, image.size() - off));
        Bytes p;
        putU32(p, off);
        putU16(p, n);
        p.insert(p.end(), image.begin() + off, image.begin() + off + n);
        QCOMPARE(host->exchange(0x0C, p)[2], uint8_t(0x8C));
    }
    const uint16_t crc = simCrc16Kermit(image.data(), image.size());
    Bytes crcQuery = range;
    crcQuery.insert(crcQuery.end(), {0xFF, 0xFF});
    QCOMPARE(u16At(host->exchange(0x0E, crcQuery), 9), unsigned(crc));

    Bytes outOfRange;
    putU32(outOfRange, 0xFFFFFF00u);
    putU32(outOfRange, 0x200);
    QCOMPARE(host->exchange(0x0E, outOfRange)[4], uint8_t(1));

    Bytes finish = range;
    putU16(finish, crc ^ 1);
    QCOMPARE(host->exchange(0x0B, finish)[4], uint8_t(1));
    QVERIFY(kb.state().bootLoader);
    finish = range;
    putU16(finish, crc);
    QCOMPARE(host->exchange(0x0B, finish)[4], uint8_t(0));
    QVERIFY(kb.waitForDepartures(2, 20000));
    QVERIFY(kb.waitForPlugged(true, 20000));
    QVERIFY(!kb.state().bootLoader);
    QCOMPARE(kb.state().runningImage, image);

    // Writing over unerased flash leaves the AND of both, so the CRC tells.
    kb.modify([](VirtualKeyboard::State &s) { s.bootLoader = true; });
    host = std::make_unique<Host>(backend, kb.configPath());
    Bytes block;
    putU32(block, 0);
    putU16(block, 1);
    block.push_back(0x0F);
    host->exchange(0x0C, block);
    QCOMPARE(kb.state().flash[0], uint8_t(image[0] & 0x0F));
}

void TestSim::faultsOnDemand()
{
    VirtualHidBackend backend;
    VirtualKeyboard &kb = backend.addKeyboard(quiet());
    auto host = std::make_unique<Host>(backend, kb.configPath());
    const Bytes info{0xFF, 0xFF};
    auto withFaults = [&](auto change) { auto f = kb.faults(); change(f); kb.setFaults(f); };

    withFaults([](auto &f) { f.dropAnswers = 1; });
    QVERIFY(host->exchange(0x01, info).empty());
    QCOMPARE(host->exchange(0x01, info)[2], uint8_t(0x81)); // one-shot

    withFaults([](auto &f) { f.corruptChecksum = 1; });
    QVERIFY(!checksumOk(host->exchange(0x01, info)));
    withFaults([](auto &f) { f.failStatus = -1; });
    QCOMPARE(host->exchange(0x01, info)[4], uint8_t(1));
    QCOMPARE(host->exchange(0x01, info)[4], uint8_t(1)); // persistent
    withFaults([](auto &f) { f.failStatus = 0; f.foreignCommand = 1; });
    const Bytes foreign = host->exchange(0x01, info);
    QCOMPARE(foreign[2], uint8_t(0xB7));
    QVERIFY(checksumOk(foreign));

    withFaults([](auto &f) { f.unplugAfterFrames = 2; });
    QVERIFY(!host->exchange(0x01, info).empty());
    QVERIFY(host->exchange(0x01, info).empty());
    QVERIFY(!kb.isPlugged());
    kb.plug();

    kb.modify([](VirtualKeyboard::State &s) { s.bootLoader = true; });
    host = std::make_unique<Host>(backend, kb.configPath());
    Bytes block;
    putU32(block, 0);
    putU16(block, 2);
    block.insert(block.end(), {0xAA, 0xBB});
    withFaults([](auto &f) { f.refuseBlocks = 1; });
    QVERIFY(host->exchange(0x0C, block).empty());
    withFaults([](auto &f) { f.refuseBlocks = 1; f.refuseWithNack = true; });
    const uint8_t before = kb.state().flash[0];
    QCOMPARE(host->exchange(0x0C, block)[4], uint8_t(1));
    QCOMPARE(kb.state().flash[0], before); // nothing stored while refused
    QCOMPARE(host->exchange(0x0C, block)[4], uint8_t(0));

    Bytes crcQuery;
    putU32(crcQuery, 0);
    putU32(crcQuery, 2);
    crcQuery.insert(crcQuery.end(), {0xFF, 0xFF});
    const Bytes flash = kb.state().flash;
    const Bytes two(flash.begin(), flash.begin() + 2);
    withFaults([](auto &f) { f.wrongCrc = 1; });
    QCOMPARE(u16At(host->exchange(0x0E, crcQuery), 9), unsigned(simCrc16Kermit(two.data(), 2) ^ 0x5A5A));

    // Back to the application and never seen again.
    withFaults([](auto &f) { f.noReenumeration = true; });
    Bytes finish;
    putU32(finish, 0);
    putU32(finish, 2);
    putU16(finish, simCrc16Kermit(two.data(), 2));
    QCOMPARE(host->exchange(0x0B, finish)[4], uint8_t(0));
    QVERIFY(kb.waitForPlugged(false, 20000));
    QVERIFY(!kb.waitForPlugged(true, 60));
}

void TestSim::periodicFaultsFollowOneCommand()
{
    VirtualHidBackend backend;
    VirtualKeyboard &kb = backend.addKeyboard(quiet());
    Host host(backend, kb.configPath());
    // No latency: an answer is readable as soon as the write returns.
    auto classify = [&](uint8_t command, const Bytes &payload) {
        host.send(frame(command, payload));
        const Bytes a = host.receive(0);
        return a.empty() ? 'D' : !checksumOk(a) ? 'C' : a[4] == 1 ? 'F' : 'G';
    };
    VirtualKeyboard::Faults f;
    f.onlyCommand = 0x2A;
    f.failStatus = 1; // one-shot, not to be spent on the info answers
    f.dropEvery = 3;
    f.corruptEvery = 2;
    kb.setFaults(f);
    std::string colours, info;
    for (int n = 0; n < 5; ++n) {
        info += classify(0x01, {0xFF, 0xFF});
        colours += classify(0x2A, {0});
    }
    QCOMPARE(info, std::string("GGGGG"));
    QCOMPARE(colours, std::string("FCDCG")); // the dropped 3rd still counts for corruption

    f = {}; // the drop count stood at 2 of 3: setFaults starts afresh
    f.dropEvery = 3;
    kb.setFaults(f);
    std::string after;
    for (uint8_t command : {0x01, 0x2A, 0x01})
        after += classify(command, {0});
    QCOMPARE(after, std::string("GGD"));
}

void TestSim::seriesFaultsHitOneFrameOnce()
{
    VirtualHidBackend backend;
    VirtualKeyboard &kb = backend.addKeyboard(quiet()); // three frames per erase
    Host host(backend, kb.configPath());
    Bytes erase;
    putU32(erase, 0x10000);
    putU32(erase, 1024);
    erase.push_back(0xFF);
    auto progress = [&] { // the erase answer's progress bytes, '!' for a bad checksum
        host.send(frame(0x09, erase));
        Bytes marks;
        for (Bytes f = host.receive(0); !f.empty(); f = host.receive(0))
            marks.push_back(checksumOk(f) ? f[5] : '!');
        return marks;
    };
    VirtualKeyboard::Faults f;
    f.dropFrameOfSeries = 1;
    f.corruptFrameOfSeries = 2;
    kb.setFaults(f);
    QVERIFY(checksumOk(host.exchange(0x01, {0xFF, 0xFF}))); // too short to be hit
    QCOMPARE(progress(), (Bytes{0, '!'}));
    QCOMPARE(progress(), (Bytes{0, 1, 0xFF}));
}

void TestSim::timedUnplugComesBackInOrder()
{
    using Clock = VirtualKeyboard::Clock;
    VirtualHidBackend backend;
    VirtualKeyboard &kb = backend.addKeyboard(quiet());
    VirtualKeyboard &sentinel = backend.addKeyboard(quiet());
    std::mutex mutex;
    std::condition_variable heardMore;
    std::vector<std::pair<bool, Clock::time_point>> heard; // of kb's configuration interface
    bool sentinelLeft = false;
    backend.addPlugListener([&](const std::string &path, bool arrived) {
        std::lock_guard<std::mutex> lock(mutex);
        if (path == kb.configPath())
            heard.emplace_back(arrived, Clock::now());
        sentinelLeft = sentinelLeft || path == sentinel.configPath();
        heardMore.notify_all();
    });
    auto waitUntil = [&](auto done) {
        std::unique_lock<std::mutex> lock(mutex);
        return heardMore.wait_for(lock, std::chrono::seconds(2), done);
    };

    VirtualKeyboard::Faults f;
    f.replugAfterMs = 30;
    kb.setFaults(f);
    const auto asked = Clock::now();
    kb.unplugAfter(5);
    QVERIFY(waitUntil([&] { return heard.size() == 2; }));
    QVERIFY(!heard[0].first && heard[1].first);
    QVERIFY(heard[1].second - asked >= std::chrono::milliseconds(35));

    // Gone on the writer's thread, back at once on the timer's: still heard in order.
    f.unplugAfterFrames = 1;
    f.replugAfterMs = 0;
    kb.setFaults(f);
    {
        Host host(backend, kb.configPath());
        QCOMPARE(host.send(frame(0x01, {0xFF, 0xFF})), 64);
        QVERIFY(host.receive(0).empty());
    }
    QVERIFY(waitUntil([&] { return heard.size() == 4; }));
    QVERIFY(!heard[2].first && heard[3].first);

    // Plugging by hand voids a pending replug; the timer is past it once the
    // sentinel leaves.
    f = {};
    f.replugAfterMs = 20;
    kb.setFaults(f);
    kb.unplugAfter(0);
    QVERIFY(waitUntil([&] { return heard.size() == 5; }));
    kb.plug();
    kb.unplug();
    sentinel.unplugAfter(40);
    QVERIFY(waitUntil([&] { return sentinelLeft; }));
    QCOMPARE(heard.size(), size_t(7));
}

void TestSim::usagePagesOrderAndForeignWrites()
{
    VirtualHidBackend backend;
    VirtualKeyboard &kb = backend.addKeyboard(quiet());
    Options o = quiet();
    o.silentListedFirst = false;
    backend.addKeyboard(o);
    o.silentFirstInterface = false;
    o.unrelatedDevices = false;
    backend.addKeyboard(o);
    QStringList listed;
    for (const HidDeviceInfo &i : backend.enumerate(0, 0))
        listed << QString::asprintf("%s %d %x/%x", i.path.c_str(), i.interfaceNumber, i.usagePage, i.usage);
    QCOMPARE(listed, QStringList({"sim:kb0:other0 0 1/2", "sim:kb0:if0 0 1/6", "sim:kb0:if1 1 ff00/1",
                                  "sim:kb0:other1 0 1/2", "sim:kb1:other0 0 1/2", "sim:kb1:if1 1 ff00/1",
                                  "sim:kb1:if0 0 1/6", "sim:kb1:other1 0 1/2", "sim:kb2:if0 0 ff00/1"}));

    Host mouse(backend, "sim:kb0:other0"), receiver(backend, "sim:kb1:other1"), keyboard(backend, kb.configPath());
    QCOMPARE(keyboard.exchange(0x01, {0xFF, 0xFF})[2], uint8_t(0x81));
    mouse.send(frame(0x01, {0xFF, 0xFF}));
    receiver.send(frame(0x0C, Bytes(100, 0)));
    QCOMPARE(backend.foreignReportsWritten(), 3);
}

void TestSim::scenarioTextBuildsTheKeyboard()
{
    SimScenario s;
    s.options = quiet();
    s.options.family = 3;
    std::string error;
    QVERIFY(parseSimScenario("", s, error));
    QVERIFY(parseSimScenario(" latency=0.25, only=0x2A,fail=-1,keys=5,silentFirst=0", s, error));
    QVERIFY(parseSimScenario("family=7", s, error));
    QCOMPARE(s.options.latencyUs, 250);
    QCOMPARE(s.options.family, 7);
    QCOMPARE(s.faults.onlyCommand, 0x2A);
    QCOMPARE(s.faults.failStatus, -1);
    QCOMPARE(s.keepKeys, 5); // earlier items stay
    QVERIFY(!s.options.silentListedFirst);
    for (const char *bad : {"drop", "colour=1", "only=256", "only=0x2G", "keys=-2", "latency=-1", "latency=nan",
                            "dropEvery=--3", "silentFirst=2", "drop=99999999999", "drop=1,,fail=1", "drop=1,"}) {
        QVERIFY2(!parseSimScenario(bad, s, error), bad);
        QVERIFY2(!error.empty() && error.find('\n') == std::string::npos, bad);
    }
    QVERIFY(!parseSimScenario("drop=4,only=256", s, error));
    QVERIFY(error.find("\"only=256\"") != std::string::npos);
    QCOMPARE(s.faults.dropAnswers, 0); // a failed parse changes nothing

    // The cells after the first five keys look factory-empty, distinctive or not.
    s = {};
    s.options = quiet();
    QVERIFY(parseSimScenario("keys=5,dropEvery=2,unplugAfterMs=0", s, error));
    VirtualHidBackend backend;
    VirtualKeyboard &kb = addScenarioKeyboard(backend, s);
    const auto factory = VirtualKeyboard::factoryState(s.options), state = kb.state();
    int kept = 0;
    for (int c = 0; c < VirtualKeyboard::Cells; ++c) {
        if (!factory.matrix[c])
            continue;
        const bool keep = kept++ < 5;
        QCOMPARE(state.matrix[c], keep ? factory.matrix[c] : uint8_t(0));
        QCOMPARE(state.params[0][c], keep ? factory.params[0][c] : uint16_t(0));
        QCOMPARE(state.params[4][c], uint16_t(keep ? 1000 + c * 7 : 2000));
    }
    QCOMPARE(kb.faults().dropEvery, 2);
    QVERIFY(kb.waitForPlugged(false, 20000));
}

void TestSim::typedKeysTravelDownAndBack()
{
    using Clock = VirtualKeyboard::Clock;
    VirtualHidBackend backend;
    VirtualKeyboard &kb = backend.addKeyboard(quiet());
    kb.fillDistinctive(); // full travel 3800 um, actuation points 1000 + 7 * cell
    const uint16_t full = kb.state().maxTravel;
    const int a = kb.cellOf(0x04), s = kb.cellOf(0x16), fence = kb.cellOf(0x29);
    QVERIFY(a >= 0 && s >= 0 && fence >= 0);
    // Past every live step of a key typed before it: a stroke lasts 40 ms.
    auto strokeFence = [&] {
        kb.typeKey(0x29, true);
        const bool down = kb.waitForKeyDepth(fence, full, 20000);
        kb.typeKey(0x29, false);
        return down && kb.waitForKeyDepth(fence, 0, 20000);
    };

    // A full stroke takes its eight steps, and the state byte marks actuation.
    const auto start = Clock::now();
    kb.typeKey(0x04, true);
    QVERIFY(kb.waitForKeyDepth(a, full, 20000));
    QVERIFY(Clock::now() - start >= std::chrono::milliseconds(40));
    auto st = kb.state();
    QCOMPARE(st.table6[a], full);
    QCOMPARE(st.table3[a], uint8_t(1));
    kb.typeKey(0x04, false);
    QVERIFY(kb.waitForKeyDepth(a, 0, 20000));
    st = kb.state();
    QCOMPARE(st.table6[a], uint16_t(0));
    QCOMPARE(st.table3[a], uint8_t(0));

    // A key whose actuation point lies beyond full travel never actuates.
    kb.setParam(4, s / VirtualKeyboard::Columns, s % VirtualKeyboard::Columns, full + 10);
    kb.typeKey(0x16, true);
    QVERIFY(kb.waitForKeyDepth(s, full, 20000));
    QCOMPARE(kb.state().table3[s], uint8_t(0));
    kb.typeKey(0x16, false);
    QVERIFY(kb.waitForKeyDepth(s, 0, 20000));

    // A release mid-press turns the key round; the press goes no further.
    kb.pressKey(a / VirtualKeyboard::Columns, a % VirtualKeyboard::Columns, 2.0);
    kb.typeKey(0x04, true);
    kb.typeKey(0x04, false);
    QVERIFY(kb.waitForKeyDepth(a, 0, 20000));
    QVERIFY(strokeFence());
    st = kb.state();
    QCOMPARE(st.table2[a], uint16_t(0));
    QCOMPARE(st.table3[a], uint8_t(0));

    // Releasing every key, or pressing one by hand, ends a stroke under way.
    kb.typeKey(0x04, true);
    kb.releaseAllKeys();
    kb.typeKey(0x16, true);
    kb.pressKey(s / VirtualKeyboard::Columns, s % VirtualKeyboard::Columns, 0.5);
    QVERIFY(strokeFence());
    st = kb.state();
    QCOMPARE(st.table2[a], uint16_t(0));
    QCOMPARE(st.table2[s], uint16_t(500));

    // Keys the matrix lacks, and the empty codes, move nothing.
    kb.releaseAllKeys();
    for (uint8_t absent : {uint8_t(0x00), uint8_t(0xFF), uint8_t(0x68)})
        kb.typeKey(absent, true);
    QVERIFY(strokeFence());
    st = kb.state();
    QVERIFY(std::all_of(st.table2.begin(), st.table2.end(), [](uint16_t v) { return v == 0; }));
}

QTEST_GUILESS_MAIN(TestSim)
#include "tst_sim.moc"
