// CRC-16 of Modbus RTU: worked examples by their bytes, and agreement with an
// independent implementation (Boost.CRC) on random inputs.
#include "crc16.h"
#include "polltick.h"

#include <boost/crc.hpp>
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

tav::Bytes hex(const std::string& s)
{
    tav::Bytes out;
    for (std::size_t i = 0; i + 1 < s.size(); i += 2)
        out.push_back(static_cast<std::uint8_t>(std::stoi(s.substr(i, 2), nullptr, 16)));
    return out;
}

struct CrcRow {
    std::string input; // hex, as on the wire
    std::uint16_t reg;
    std::string result; // hex, low byte first
};

class CrcExamples : public ::testing::TestWithParam<CrcRow> {};

TEST_P(CrcExamples, RegisterAndWireBytes)
{
    const auto& row = GetParam();
    const tav::Bytes in = hex(row.input);
    EXPECT_EQ(tav::crc16Register(in), row.reg);
    const auto out = tav::CalcCRC16(in);
    EXPECT_EQ(tav::Bytes(out.begin(), out.end()), hex(row.result));
}

INSTANTIATE_TEST_SUITE_P(
    Modbus, CrcExamples,
    ::testing::Values(CrcRow{"010300000001", 0x0A84, "840a"},  // the request without its checksum
                      CrcRow{"010302012c", 0x09B8, "b809"},    // one-register reply carrying 300
                      CrcRow{"01030400faff38", 0x209A, "9a20"}, // two-register reply
                      CrcRow{"01030200f0", 0x00B8, "b800"},    // a zero result byte counts
                      CrcRow{"", 0xFFFF, "ffff"},              // empty input
                      CrcRow{"313233343536373839", 0x4B37, "374b"}), // check value "123456789"
    [](const ::testing::TestParamInfo<CrcRow>& info) {
        return info.param.input.empty() ? std::string("empty") : "x" + info.param.input;
    });

TEST(Crc16, RequestFrameCarriesItsOwnChecksum)
{
    const auto crc = tav::CalcCRC16(tav::ByteView(tav::ReadRequest).first(6));
    EXPECT_EQ(crc[0], tav::ReadRequest[6]);
    EXPECT_EQ(crc[1], tav::ReadRequest[7]);
}

TEST(Crc16, AgreesWithBoostOnRandomInputs)
{
    std::mt19937 rng(20261211);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<int> length(0, 600);
    for (int round = 0; round < 2000; ++round) {
        tav::Bytes data(static_cast<std::size_t>(length(rng)));
        for (auto& b : data)
            b = static_cast<std::uint8_t>(byte(rng)); // bytes 0x80.. take part as unsigned
        boost::crc_optimal<16, 0x8005, 0xFFFF, 0, true, true> ref;
        ref.process_bytes(data.data(), data.size());
        ASSERT_EQ(tav::crc16Register(data), ref.checksum()) << "length " << data.size();
        const auto wire = tav::CalcCRC16(data);
        ASSERT_EQ(wire[0], ref.checksum() & 0xFF);
        ASSERT_EQ(wire[1], ref.checksum() >> 8);
    }
}

} // namespace
