// The factor list's line forms and limit, the status text's limit and the
// poller's acknowledgement.
#include "numtheory/factor_report.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/engine_fixture.h"

namespace {

using testsupport::Big;

class FactorReportTest : public testsupport::EngineTest {};

TEST_F(FactorReportTest, LineForms) {
    FactorReport r;
    r.record_trial_prime(0xFFF1);
    r.record_value(Big("7FFFFFFF"));                      // 31 bits: plain form
    r.record_value(Big("800000303F"));                    // 40-bit prime
    r.record_value(Big("FFFFFFFFFFFFFFFF"));              // 64-bit composite (3*5*17*257*641*65537*6700417)
    r.record_value(Big("1FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF"));  // 2^125 - 1 = 31*601*1801*269089806001*4710883168879506001
    EXPECT_EQ(r.line_count(), 5);
    EXPECT_EQ(r.list_text(),
              "P-FFF1\r\nP-7FFFFFFF\r\nP(40)-800000303F\r\nN(64)-FFFFFFFFFFFFFFFF\r\n"
              "N(125)-1FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF\r\n");
    r.clear();
    EXPECT_EQ(r.line_count(), 0);
    EXPECT_EQ(r.list_text(), "");
}

TEST_F(FactorReportTest, ListLimitDropsWholeLines) {
    FactorReport r;
    const std::string line(998, 'x');  // 1000 characters with "\r\n"
    for (int i = 0; i < 16; ++i) r.add_line(line);
    EXPECT_EQ(r.list_text().size(), 16000u);
    r.add_line(std::string(379, 'y'));  // 16381: one past the limit, dropped
    EXPECT_EQ(r.line_count(), 16);
    r.add_line(std::string(378, 'y'));  // exactly 16380
    EXPECT_EQ(r.line_count(), 17);
    EXPECT_EQ(r.list_text().size(), kFactorListLimit);
    r.add_line("");  // "\r\n" alone no longer fits
    EXPECT_EQ(r.line_count(), 17);
}

TEST_F(FactorReportTest, StatusCutAndAcknowledged) {
    FactorReport r;
    r.set_status(std::string(2000, 's'), kStatusRho);
    EXPECT_EQ(r.status_text().size(), kFactorStatusLimit);
    EXPECT_EQ(r.status_code(), kStatusRho);
    // The poller acknowledges what it showed, but never a newer code.
    EXPECT_TRUE(r.acknowledge_status(kStatusRho, kStatusShown));
    r.set_status_code(kStatusFactored);
    EXPECT_FALSE(r.acknowledge_status(kStatusRho, kStatusShown));
    EXPECT_EQ(r.status_code(), kStatusFactored);

    int seen = 0;
    r.set_listener([&](int code, const std::string& text) {
        seen = code;
        EXPECT_EQ(text, "hello");
    });
    r.set_status("hello", kStatusMpqs);
    EXPECT_EQ(seen, kStatusMpqs);

    EXPECT_FALSE(r.stop_requested());
    r.request_stop();
    EXPECT_TRUE(r.stop_requested());
    r.clear_stop();
    EXPECT_FALSE(r.stop_requested());
}

}  // namespace
