// The simulated board answered report by report: the replies, status bytes and byte positions
// of each chip family, the bulk transfers, the debug stream and every fault switch.
#include "link/commands.h"
#include "link/debugframe.h"
#include "sim/simboard.h"
#include "sim/simboards.h"

#include <QTest>

#include <cstdlib>
#include <iterator>
#include <vector>

using namespace tessel;

namespace {

// Sends one command and returns the single reply (a zeroed report when there is none).
Report ask(SimBoard& board, const Report& command, bool* answered = nullptr) {
    const std::vector<Report> replies = board.handle(command);
    if (answered)
        *answered = !replies.empty();
    return replies.empty() ? Report{} : replies.front();
}

// A board with every configuration word k of every chip set to 0x10 + k and protection 0x5A.
void prepare(SimBoard& board) {
    for (int c = 0; c < 14; ++c) {
        for (int k = 0; k < 32; ++k)
            board.chip(c).cfg[k] = static_cast<uint8_t>(0x10 + k);
        board.chip(c).protect = 0x5A;
    }
}

std::vector<uint8_t> configPayload(int chip) {
    std::vector<uint8_t> p;
    auto pair = [&p](uint8_t w) {
        p.push_back(w);
        p.push_back(static_cast<uint8_t>(~w));
    };
    if (chip <= 7) {
        const int words = chip == 0 ? 3 : chip == 1 ? 7 : chip == 2 ? 9 : 10;
        for (int k = 0; k < words; ++k)
            p.push_back(static_cast<uint8_t>(0x40 + k));
        // The variant bit in word 5 as the chip has it.
        if (chip == 3 || chip == 6)
            p[5] = 0x40;  // bit 1 clear
        if (chip == 4)
            p[5] = 0x47;  // bit 1 set
        if (chip == 5)
            p[5] = 0x46;  // bit 0 clear
        if (chip == 7)
            p[5] = 0x45;  // bit 0 set
    } else if (chip <= 9) {
        p.push_back(0x0F);
        for (int k = 1; k <= 7; ++k) {
            uint8_t w = static_cast<uint8_t>(0x40 + 2 * k);
            if (k <= 2 && chip == 8)
                w |= 1;  // the chip bit
            pair(w);
        }
    } else {
        const int words = chip == 13 ? 25 : 11;
        for (int k = 0; k < words; ++k) {
            uint8_t w = static_cast<uint8_t>(0x60 + k);
            if (chip == 13 && k == 10)
                w |= 1;  // CFG11: EEP_EN stays on
            pair(w);
        }
    }
    return p;
}

}  // namespace

class TestSimBoard : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void simpleReplies_data();
    void simpleReplies();
    void readConfiguration_data();
    void readConfiguration();
    void freshChips_data();
    void freshChips();
    void writeConfiguration_data();
    void writeConfiguration();
    void badInverseIsRefused();
    void configurationWord0_data();
    void configurationWord0();
    void trim_data();
    void trim();
    void eraseNeedsTheProtectionByte();
    void flashTransfer();
    void eepromTransfer_data();
    void eepromTransfer();
    void faults_data();
    void faults();
    void silenceAndPullOut();
    void debugStream_data();
    void debugStream();
    void debugStreamMalformed();
};

void TestSimBoard::simpleReplies_data() {
    QTest::addColumn<int>("chip");
    QTest::addColumn<Report>("command");
    QTest::addColumn<int>("pos");
    QTest::addColumn<int>("value");
    QTest::newRow("version V") << 0 << cmd::requestBoardVersion() << 2 << 0x56;
    QTest::newRow("version a") << 0 << cmd::requestBoardVersion() << 7 << 0x61;
    QTest::newRow("select code") << 3 << cmd::selectChip(3) << 1 << 0x80;
    QTest::newRow("enter") << 2 << cmd::enterProgrammingMode() << 2 << 0x87;
    QTest::newRow("leave") << 5 << cmd::leaveProgrammingMode() << 2 << 0x00;
    QTest::newRow("erase main") << 7 << cmd::eraseMainBlock(0) << 2 << 1;
    QTest::newRow("erase info") << 5 << cmd::eraseInformationBlock() << 2 << 1;
    QTest::newRow("erase eeprom 11") << 11 << cmd::eraseEeprom(0) << 2 << 1;
    QTest::newRow("erase eeprom 5") << 5 << cmd::eraseEeprom(0) << 2 << 1;
    QTest::newRow("erase eeprom 3 (none)") << 3 << cmd::eraseEeprom(0) << 2 << 0;
    QTest::newRow("3V") << 0 << cmd::supply3V() << 2 << 0xAA;
    QTest::newRow("5V") << 0 << cmd::supply5V() << 2 << 0xAA;
    QTest::newRow("off") << 0 << cmd::supplyOff() << 2 << 0xAA;
    QTest::newRow("start debug") << 9 << cmd::startDebugging(9) << 1 << 0xB0;
    QTest::newRow("supply 5V") << 9 << cmd::selectDebugSupply(1) << 3 << 1;
    QTest::newRow("supply external") << 9 << cmd::selectDebugSupply(2) << 3 << 1;
    QTest::newRow("supply echo") << 9 << cmd::selectDebugSupply(2) << 2 << 2;
    QTest::newRow("continue ok") << 9 << cmd::continueDebugStartup() << 2 << 1;
    QTest::newRow("continue channels") << 9 << cmd::continueDebugStartup() << 3 << 8;
    QTest::newRow("baud high, chip 1") << 1 << cmd::continueDebugStartup() << 4 << 0x25;
    QTest::newRow("baud low, chip 1") << 1 << cmd::continueDebugStartup() << 5 << 0x80;
    QTest::newRow("no baud, chip 3") << 3 << cmd::continueDebugStartup() << 4 << 0;
    QTest::newRow("parameters") << 12 << cmd::writeDebugParameters(DebugParameters{}, 12) << 2
                                << 0xAA;
}

void TestSimBoard::simpleReplies() {
    QFETCH(int, chip);
    QFETCH(Report, command);
    QFETCH(int, pos);
    QFETCH(int, value);
    SimBoard board;
    ask(board, cmd::selectChip(chip));
    ask(board, cmd::startDebugging(chip));
    const Report r = ask(board, command);
    QCOMPARE(r[1], command[1]);
    QCOMPARE(int(r[pos]), value);
}

void TestSimBoard::readConfiguration_data() {
    QTest::addColumn<int>("chip");
    QTest::addColumn<int>("pos");
    QTest::addColumn<int>("value");
    // Words are 0x10 + their number; protection byte 0x5A.
    QTest::newRow("0 CFG0") << 0 << 2 << 0x10;
    QTest::newRow("0 CFG2") << 0 << 4 << 0x12;
    QTest::newRow("0 status") << 0 << 19 << 1;
    QTest::newRow("1 word 6") << 1 << 8 << 0x16;
    QTest::newRow("1 status") << 1 << 19 << 1;
    QTest::newRow("2 word 8") << 2 << 10 << 0x18;
    QTest::newRow("3 variant bit 1 clear") << 3 << 7 << 0x15;
    QTest::newRow("4 variant bit 1 set") << 4 << 7 << 0x17;
    QTest::newRow("5 variant bit 0 clear") << 5 << 7 << 0x14;
    QTest::newRow("6 variant bit 1 clear") << 6 << 7 << 0x15;
    QTest::newRow("7 variant bit 0 set") << 7 << 7 << 0x15;
    QTest::newRow("7 word 9") << 7 << 11 << 0x19;
    QTest::newRow("7 status") << 7 << 19 << 1;
    QTest::newRow("8 CFG0") << 8 << 2 << 0x10;
    QTest::newRow("8 CFG1 chip bit set") << 8 << 3 << 0x11;
    QTest::newRow("8 ~CFG1") << 8 << 4 << 0xEE;
    QTest::newRow("8 CFG7") << 8 << 15 << 0x17;
    QTest::newRow("8 ~CFG7") << 8 << 16 << 0xE8;
    QTest::newRow("8 ICTYPE") << 8 << 25 << 8;
    QTest::newRow("8 ~ICTYPE") << 8 << 24 << 0xF7;
    QTest::newRow("8 status") << 8 << 27 << 1;
    QTest::newRow("9 CFG1 chip bit clear") << 9 << 3 << 0x10;
    QTest::newRow("9 ICTYPE") << 9 << 25 << 9;
    QTest::newRow("9 ~ICTYPE") << 9 << 24 << 0xF6;
    QTest::newRow("10 CFG1") << 10 << 2 << 0x11;
    QTest::newRow("10 ~CFG1") << 10 << 3 << 0xEE;
    QTest::newRow("10 CFG2") << 10 << 4 << 0x12;
    QTest::newRow("10 CFG8") << 10 << 16 << 0x18;
    QTest::newRow("10 CFG9") << 10 << 18 << 0x19;
    QTest::newRow("10 CFG12") << 10 << 20 << 0x1C;
    QTest::newRow("10 CFG13") << 10 << 22 << 0x1D;
    QTest::newRow("10 ~CFG13") << 10 << 23 << 0xE2;
    QTest::newRow("11 CFG0") << 11 << 38 << 0x10;
    QTest::newRow("11 CFG10") << 11 << 39 << 0x1A;
    QTest::newRow("11 CFG11") << 11 << 40 << 0x1B;
    QTest::newRow("11 protection") << 11 << 53 << 0x5A;
    QTest::newRow("12 status") << 12 << 54 << 1;
    QTest::newRow("13 CFG1") << 13 << 2 << 0x11;
    QTest::newRow("13 CFG11") << 13 << 22 << 0x1B;
    QTest::newRow("13 ~CFG11") << 13 << 23 << 0xE4;
    QTest::newRow("13 CFG23") << 13 << 46 << 0x27;
    QTest::newRow("13 status over ~CFG23") << 13 << 47 << 1;
    QTest::newRow("13 CFG25") << 13 << 50 << 0x29;
    QTest::newRow("13 ~CFG25") << 13 << 51 << 0xD6;
    QTest::newRow("13 protection") << 13 << 53 << 0x5A;
}

void TestSimBoard::readConfiguration() {
    QFETCH(int, chip);
    QFETCH(int, pos);
    QFETCH(int, value);
    SimBoard board;
    prepare(board);
    ask(board, cmd::selectChip(chip));
    const Report r = ask(board, cmd::readConfigurationWords());
    QCOMPARE(r[1], uint8_t(0x82));
    QCOMPARE(int(r[pos]), value);
}

void TestSimBoard::freshChips_data() {
    QTest::addColumn<int>("chip");
    QTest::addColumn<int>("pos");
    QTest::addColumn<int>("mask");
    QTest::addColumn<int>("value");
    QTest::newRow("KR4121 CFG1 0x87") << 0 << 3 << 0xFF << 0x87;
    QTest::newRow("KR4152 variant") << 3 << 7 << 0x02 << 0;
    QTest::newRow("KR4161 variant") << 4 << 7 << 0x02 << 2;
    QTest::newRow("KR4115 variant") << 5 << 7 << 0x01 << 0;
    QTest::newRow("KR4116 variant") << 7 << 7 << 0x01 << 1;
    QTest::newRow("RO5812DA chip bit") << 8 << 3 << 0x01 << 1;
    QTest::newRow("ZU5712RA16 chip bit") << 9 << 3 << 0x01 << 0;
    QTest::newRow("KR5815 EEPROM_EN") << 10 << 16 << 0x02 << 2;
    QTest::newRow("KR5813 EEPROM_EN") << 12 << 16 << 0x02 << 2;
    QTest::newRow("VE5812DUZI EEP_EN") << 13 << 22 << 0x01 << 1;
}

void TestSimBoard::freshChips() {
    QFETCH(int, chip);
    QFETCH(int, pos);
    QFETCH(int, mask);
    QFETCH(int, value);
    SimBoard board;
    ask(board, cmd::selectChip(chip));
    const Report r = ask(board, cmd::readConfigurationWords());
    QCOMPARE(int(r[pos] & mask), value);
    // 64 KiB of erased flash and the EEPROM of the model.
    QCOMPARE(board.chip(chip).flash.size(), size_t(65536));
    QCOMPARE(int(board.chip(chip).flash[0xFFFF]), 0xFF);
    const size_t eeprom = chip >= 10 ? 1024 : (chip == 5 || chip == 7) ? 2048 : 0;
    QCOMPARE(board.chip(chip).eeprom.size(), eeprom);
}

void TestSimBoard::writeConfiguration_data() {
    QTest::addColumn<int>("chip");
    QTest::addColumn<int>("sentFrom");  // index into the payload
    QTest::addColumn<int>("replyFrom");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("status");
    QTest::newRow("0") << 0 << 0 << 12 << 3 << 26;
    QTest::newRow("1") << 1 << 1 << 13 << 6 << 26;
    QTest::newRow("2") << 2 << 1 << 13 << 8 << 26;
    QTest::newRow("3") << 3 << 1 << 13 << 9 << 26;
    QTest::newRow("4") << 4 << 1 << 13 << 9 << 26;
    QTest::newRow("5") << 5 << 1 << 13 << 9 << 26;
    QTest::newRow("6") << 6 << 1 << 13 << 9 << 26;
    QTest::newRow("7") << 7 << 1 << 13 << 9 << 26;
    QTest::newRow("8") << 8 << 1 << 22 << 14 << 50;
    QTest::newRow("9") << 9 << 1 << 22 << 14 << 50;
    QTest::newRow("10") << 10 << 0 << 26 << 22 << 62;
    QTest::newRow("11") << 11 << 0 << 26 << 22 << 62;
    QTest::newRow("12") << 12 << 0 << 26 << 22 << 62;
    QTest::newRow("13") << 13 << 0 << 2 << 50 << 62;
}

void TestSimBoard::writeConfiguration() {
    QFETCH(int, chip);
    QFETCH(int, sentFrom);
    QFETCH(int, replyFrom);
    QFETCH(int, count);
    QFETCH(int, status);
    SimBoard board;
    ask(board, cmd::selectChip(chip));
    QCOMPARE(int(ask(board, cmd::eraseInformationBlock())[2]), 1);
    const std::vector<uint8_t> p = configPayload(chip);
    const Report r = ask(board, cmd::writeConfigurationWords(p.data(), p.size()));
    QCOMPARE(r[1], uint8_t(0x89));
    QCOMPARE(int(r[status]), 1);
    for (int i = 0; i < count; ++i)
        QCOMPARE(int(r[replyFrom + i]), int(p[sentFrom + i]));
    if (chip >= 3 && chip <= 7)
        QCOMPARE(r[17], p[5]);  // the variant byte after a write
    if (chip == 8 || chip == 9)
        QCOMPARE(r[49], p[0]);  // CFG0 read back
    // The next read shows what was written.
    const Report read = ask(board, cmd::readConfigurationWords());
    if (chip <= 7) {
        for (size_t i = 0; i < p.size(); ++i)
            QCOMPARE(read[2 + i], p[i]);
    } else if (chip <= 9) {
        for (size_t i = 0; i < p.size(); ++i)
            QCOMPARE(read[2 + i], p[i]);
    } else if (chip <= 12) {
        for (size_t i = 0; i < p.size(); ++i)
            QCOMPARE(read[2 + i], p[i]);
        QCOMPARE(read[54], uint8_t(1));
    } else {
        for (size_t i = 0; i < p.size(); ++i) {
            if (2 + i != 47)
                QCOMPARE(read[2 + i], p[i]);
        }
    }
}

void TestSimBoard::badInverseIsRefused() {
    SimBoard board;
    ask(board, cmd::selectChip(11));
    std::vector<uint8_t> p = configPayload(11);
    p[5] ^= 0x10;  // ~CFG3 no longer matches
    const Report r = ask(board, cmd::writeConfigurationWords(p.data(), p.size()));
    QVERIFY(r[62] != 1);
    QCOMPARE(board.chip(11).cfg[3], uint8_t(0xFF));
}

void TestSimBoard::configurationWord0_data() {
    QTest::addColumn<int>("chip");
    QTest::addColumn<Report>("command");
    QTest::addColumn<QList<int>>("positions");
    QTest::addColumn<QList<int>>("values");
    QTest::newRow("1") << 1 << cmd::writeConfigurationWord0(0x9C) << QList<int>{2, 3}
                       << QList<int>{0x9C, 0x9C};
    QTest::newRow("8") << 8 << cmd::writeConfigurationWord0(0x0E) << QList<int>{2, 3}
                       << QList<int>{0x0E, 0x0E};
    QTest::newRow("11") << 11 << cmd::writeConfigurationWord0(0xF1, 0x33, 0x1F)
                        << QList<int>{2, 3, 4, 7, 8, 9, 17}
                        << QList<int>{0xF1, 0x33, 0x1F, 0xF1, 0x33, 0x1F, 1};
    QTest::newRow("13") << 13 << cmd::writeConfigurationWord0(0xF3, 0x44)
                        << QList<int>{2, 3, 7, 8, 17} << QList<int>{0xF3, 0x44, 0xF3, 0x44, 1};
}

void TestSimBoard::configurationWord0() {
    QFETCH(int, chip);
    QFETCH(Report, command);
    QFETCH(QList<int>, positions);
    QFETCH(QList<int>, values);
    SimBoard board;
    ask(board, cmd::selectChip(chip));
    const Report r = ask(board, command);
    QCOMPARE(r[1], uint8_t(0x84));
    for (int i = 0; i < positions.size(); ++i)
        QCOMPARE(int(r[positions[i]]), values[i]);
    if (chip >= 10) {
        // The password is the protection byte the next read reports at byte 53.
        QCOMPARE(ask(board, cmd::readConfigurationWords())[53], command[3]);
    }
}

void TestSimBoard::trim_data() {
    QTest::addColumn<int>("chip");
    QTest::addColumn<int>("readBack");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("status");  // -1: none
    QTest::newRow("0") << 0 << 7 << 3 << -1;
    QTest::newRow("1") << 1 << 7 << 4 << -1;
    QTest::newRow("2") << 2 << 7 << 5 << -1;
    QTest::newRow("5") << 5 << 7 << 5 << 16;
    QTest::newRow("6") << 6 << 7 << 5 << -1;
    QTest::newRow("7") << 7 << 7 << 5 << 16;
    QTest::newRow("8") << 8 << 10 << 8 << 18;
    QTest::newRow("9") << 9 << 10 << 8 << 18;
    QTest::newRow("10") << 10 << 13 << 11 << 24;
    QTest::newRow("13") << 13 << 2 << 38 << 40;
}

void TestSimBoard::trim() {
    QFETCH(int, chip);
    QFETCH(int, readBack);
    QFETCH(int, count);
    QFETCH(int, status);
    SimBoard board;
    ask(board, cmd::selectChip(chip));
    std::vector<uint8_t> words;
    for (int i = 0; i < count; ++i)
        words.push_back(static_cast<uint8_t>(0xA0 + i));
    const Report r = ask(board, cmd::writeTrimWords(words.data(), words.size()));
    QCOMPARE(r[1], uint8_t(0x8D));
    for (int i = 0; i < count; ++i)
        QCOMPARE(int(r[readBack + i]), 0xA0 + i);
    if (status > 0)
        QCOMPARE(int(r[status]), 1);
}

void TestSimBoard::eraseNeedsTheProtectionByte() {
    SimBoard board;
    board.chip(11).protect = 0x3C;
    board.chip(11).flash[10] = 0x00;
    ask(board, cmd::selectChip(11));
    QCOMPARE(int(ask(board, cmd::eraseMainBlock(0x00))[2]), 0);
    QCOMPARE(int(board.chip(11).flash[10]), 0x00);
    QCOMPARE(int(ask(board, cmd::eraseMainBlock(0x3C))[2]), 1);
    QCOMPARE(int(board.chip(11).flash[10]), 0xFF);
}

void TestSimBoard::flashTransfer() {
    SimBoard board;
    ask(board, cmd::selectChip(2));
    std::vector<uint8_t> image(100);
    for (int i = 0; i < 100; ++i)
        image[i] = static_cast<uint8_t>(i * 7);
    Report r = ask(board, cmd::flashWriteHeader(100));
    QCOMPARE(r[1], uint8_t(0x85));
    QCOMPARE(r[4], uint8_t(0));
    r = ask(board, cmd::flashWriteData(image.data(), 64));
    QCOMPARE(r[1], uint8_t(0x85));
    r = ask(board, cmd::flashWriteData(image.data() + 64, 36));
    QCOMPARE(r[1], uint8_t(0x85));
    QCOMPARE(int(board.chip(2).flash[99]), int(image[99]));
    QCOMPARE(int(board.chip(2).flash[100]), 0xFF);
    // After the data the board takes commands again.
    QCOMPARE(ask(board, cmd::flashReadHeader(100))[1], uint8_t(0x86));
    r = ask(board, cmd::flashReadRequest(36, 1));
    for (int i = 0; i < 36; ++i)
        QCOMPARE(r[1 + i], image[64 + i]);
    QCOMPARE(r[37], uint8_t(0xFF));
    // Programming clears bits only: without an erase a second image mixes with the first.
    ask(board, cmd::flashWriteHeader(4));
    const uint8_t second[4] = {0xFF, 0xFF, 0xFF, 0xF0};
    ask(board, cmd::flashWriteData(second, 4));
    QCOMPARE(int(board.chip(2).flash[3]), 0x15 & 0xF0);
    QCOMPARE(int(board.chip(2).flash[2]), 0x0E);
}

void TestSimBoard::eepromTransfer_data() {
    QTest::addColumn<int>("chip");
    QTest::addColumn<int>("size");
    QTest::newRow("10") << 10 << 1024;
    QTest::newRow("7") << 7 << 2048;
}

void TestSimBoard::eepromTransfer() {
    QFETCH(int, chip);
    QFETCH(int, size);
    SimBoard board;
    ask(board, cmd::selectChip(chip));
    QCOMPARE(int(ask(board, cmd::eraseEeprom(0))[2]), 1);
    QCOMPARE(ask(board, cmd::eepromWriteHeader())[1], uint8_t(0x8F));
    uint8_t block[64];
    for (int b = 0; b < 16; ++b) {
        for (int i = 0; i < 64; ++i)
            block[i] = static_cast<uint8_t>(b * 16 + i);
        QCOMPARE(ask(board, cmd::eepromWriteData(block))[1], uint8_t(0x8F));
    }
    QCOMPARE(ask(board, cmd::eepromReadHeader(size))[1], uint8_t(0x90));
    const Report r = ask(board, cmd::eepromReadRequest(15));
    for (int i = 0; i < 64; ++i)
        QCOMPARE(int(r[1 + i]), (15 * 16 + i) & 0xFF);
    if (size > 1024) {
        QCOMPARE(int(ask(board, cmd::eepromReadRequest(16))[1]), 0xFF);  // never written
    }
}

void TestSimBoard::faults_data() {
    QTest::addColumn<QString>("options");
    QTest::addColumn<int>("chip");
    QTest::addColumn<Report>("command");
    QTest::addColumn<int>("pos");
    QTest::addColumn<int>("value");
    QTest::newRow("wrong version")
        << "wrong-version" << 0 << cmd::requestBoardVersion() << 7 << 0x62;
    QTest::newRow("wrong IC type, MCU01")
        << "wrong-ictype" << 8 << cmd::readConfigurationWords() << 27 << 3;
    QTest::newRow("wrong IC type, MCU01 type")
        << "wrong-ictype" << 8 << cmd::readConfigurationWords() << 25 << 9;
    QTest::newRow("wrong IC type, MCU02")
        << "wrong-ictype" << 11 << cmd::readConfigurationWords() << 54 << 3;
    QTest::newRow("wrong IC type, MCU04")
        << "wrong-ictype" << 13 << cmd::readConfigurationWords() << 47 << 3;
    QTest::newRow("wrong IC type, KR4161 variant")
        << "wrong-ictype" << 4 << cmd::readConfigurationWords() << 7 << 0xFD;
    QTest::newRow("failed erase main") << "erase-fail" << 5 << cmd::eraseMainBlock(0) << 2 << 0;
    QTest::newRow("failed erase info")
        << "erase-fail" << 5 << cmd::eraseInformationBlock() << 2 << 0;
    QTest::newRow("failed erase EEPROM") << "erase-fail" << 12 << cmd::eraseEeprom(0) << 2 << 0;
    QTest::newRow("failed 3V") << "supply-fail" << 0 << cmd::supply3V() << 2 << 0x55;
    QTest::newRow("failed off") << "supply-fail" << 0 << cmd::supplyOff() << 2 << 0x55;
    QTest::newRow("debug supply internal")
        << "supply-fail" << 3 << cmd::selectDebugSupply(0) << 3 << 0;
    QTest::newRow("no external supply")
        << "no-external" << 3 << cmd::selectDebugSupply(2) << 3 << 0;
    QTest::newRow("no external, internal fine")
        << "no-external" << 3 << cmd::selectDebugSupply(1) << 3 << 1;
    QTest::newRow("target link, enter")
        << "target-fail" << 2 << cmd::enterProgrammingMode() << 2 << 0;
    QTest::newRow("target link, debug")
        << "target-fail" << 2 << cmd::continueDebugStartup() << 2 << 0;
    QTest::newRow("flash read CRC")
        << "flash-read-crc" << 0 << cmd::flashReadHeader(64) << 4 << 0x56;
    QTest::newRow("flash read CRC code")
        << "flash-read-crc" << 0 << cmd::flashReadHeader(64) << 1 << 0x85;
    QTest::newRow("flash read failure 1")
        << "flash-read-fail=1" << 0 << cmd::flashReadRequest(64, 0) << 1 << 0xAA;
    QTest::newRow("flash read failure 3")
        << "flash-read-fail=1" << 0 << cmd::flashReadRequest(64, 0) << 3 << 0xCC;
    QTest::newRow("flipped flash byte")
        << "flip-flash=5" << 0 << cmd::flashReadRequest(64, 0) << 6 << 0xFE;
    QTest::newRow("flipped EEPROM byte")
        << "flip-eeprom=0" << 10 << cmd::eepromReadRequest(0) << 1 << 0xFE;
    QTest::newRow("flipped config byte")
        << "flip-config=3" << 0 << cmd::readConfigurationWords() << 3 << 0x86;
}

void TestSimBoard::faults() {
    QFETCH(QString, options);
    QFETCH(int, chip);
    QFETCH(Report, command);
    QFETCH(int, pos);
    QFETCH(int, value);
    SimOptions o;
    QString error;
    QVERIFY2(SimOptions::parse(options, &o, &error), qPrintable(error));
    SimBoard board(o);
    ask(board, cmd::selectChip(chip));
    ask(board, cmd::startDebugging(chip));
    bool answered = false;
    const Report r = ask(board, command, &answered);
    QVERIFY(answered);
    QCOMPARE(int(r[pos]), value);
}

void TestSimBoard::silenceAndPullOut() {
    SimOptions o;
    o.silentAfter = 3;
    SimBoard silent(o);
    bool answered = false;
    ask(silent, cmd::selectChip(0), &answered);
    QVERIFY(answered);
    ask(silent, cmd::enterProgrammingMode(), &answered);
    QVERIFY(answered);
    ask(silent, cmd::readConfigurationWords(), &answered);
    QVERIFY(!answered);
    ask(silent, cmd::requestBoardVersion(), &answered);
    QVERIFY(!answered);
    QCOMPARE(silent.trace().size(), size_t(4));  // heard, not answered

    o = SimOptions();
    o.pullAfter = 2;
    SimBoard pulled(o);
    ask(pulled, cmd::selectChip(0), &answered);
    QVERIFY(answered && !pulled.pulledOut());
    ask(pulled, cmd::enterProgrammingMode(), &answered);
    QVERIFY(!answered);
    QVERIFY(pulled.pulledOut());
    pulled.replug();
    ask(pulled, cmd::selectChip(0), &answered);
    QVERIFY(answered);
}

void TestSimBoard::debugStream_data() {
    QTest::addColumn<int>("chip");
    QTest::addColumn<int>("channels");
    QTest::addColumn<int>("segments");
    QTest::newRow("0, 8") << 0 << 8 << 1;
    QTest::newRow("2, 32") << 2 << 32 << 3;
    QTest::newRow("4, 16") << 4 << 16 << 2;
    QTest::newRow("9, 8") << 9 << 8 << 1;
    QTest::newRow("10, 32") << 10 << 32 << 3;
    QTest::newRow("13, 20") << 13 << 20 << 2;
}

void TestSimBoard::debugStream() {
    QFETCH(int, chip);
    QFETCH(int, channels);
    QFETCH(int, segments);
    SimOptions o;
    o.channels = channels;
    SimBoard board(o);
    board.setTouchScript({{1, 3, 2}, {channels - 1, 4, 1}});
    ask(board, cmd::startDebugging(chip));
    QVERIFY(!board.streaming());
    bool answered = true;
    ask(board, cmd::requestDebugData(channels), &answered);
    QVERIFY(!answered);  // the frames come on the stream
    QVERIFY(board.streaming());
    DebugFrameAssembler assembler;
    std::vector<DebugSample> samples;
    for (int f = 0; f < 6; ++f) {
        const std::vector<Report> frame = board.nextFrame();
        QCOMPARE(int(frame.size()), segments);
        const int length = DebugFrameAssembler::layoutLength(chip, channels);
        for (const Report& r : frame) {
            QCOMPARE(r[1], uint8_t(0xB3));
            QCOMPARE(r[3] << 8 | r[4], length);
            DebugSample s;
            const auto outcome = assembler.feed(r, chip, channels, &s);
            if (&r != &frame.back()) {
                QCOMPARE(outcome, DebugFrameAssembler::Outcome::None);
            } else {
                QCOMPARE(outcome, DebugFrameAssembler::Outcome::Accepted);
                samples.push_back(s);
            }
        }
    }
    const uint32_t touched3 = (1u << 1);
    const uint32_t touched4 = (1u << 1) | (1u << (channels - 1));
    QCOMPARE(samples[2].keyFlags, 0u);
    QCOMPARE(samples[3].keyFlags, chip <= 2 ? 0u : touched3);
    QCOMPARE(samples[4].keyFlags, chip <= 2 ? 0u : touched4);
    // A touch moves the raw count away from the baseline; untouched channels stay close.
    const int d = int(samples[3].raw[1]) - int(samples[3].baseline[1]);
    QVERIFY(chip <= 7 ? d > 300 : d < -300);
    for (const DebugSample& s : samples) {
        QCOMPARE(s.channelCount, channels);
        QVERIFY(std::abs(int(s.raw[0]) - int(s.baseline[0])) <= 6);
        QVERIFY(std::abs(int(s.baseline[0]) - 2000) <= 200);
    }
    ask(board, cmd::pauseDebugData(), &answered);
    QVERIFY(!answered);
    QVERIFY(!board.streaming());
    QVERIFY(board.nextFrame().empty());
}

void TestSimBoard::debugStreamMalformed() {
    SimOptions o;
    QVERIFY(SimOptions::parse(QStringLiteral("bad-frames=2,channels=4"), &o, nullptr));
    SimBoard board(o);
    ask(board, cmd::startDebugging(6));
    ask(board, cmd::requestDebugData(4));
    DebugFrameAssembler assembler;
    QList<int> outcomes;
    for (int f = 0; f < 4; ++f) {
        DebugSample s;
        outcomes << int(assembler.feed(board.nextFrame().front(), 6, 4, &s));
    }
    const int ok = int(DebugFrameAssembler::Outcome::Accepted);
    const int bad = int(DebugFrameAssembler::Outcome::Malformed);
    QCOMPARE(outcomes, (QList<int>{ok, bad, ok, bad}));
}

QTEST_GUILESS_MAIN(TestSimBoard)
#include "tst_simboard.moc"
