// Windows without Npcap (as under Wine): the program runs, and every capture
// answers that the library is missing instead of failing to start.
#include <gtest/gtest.h>

#include "transport/pcap_runtime.h"
#include "transport/platform.h"

using namespace kestrel;

namespace {

class WithoutNpcap : public ::testing::Test {
protected:
    void SetUp() override {
        if (!captureLibraryProblem()) GTEST_SKIP() << "Npcap is installed here";
    }
};

TEST_F(WithoutNpcap, NamesNpcapsFolderAndTheSystemsReason) {
    const std::string problem = *captureLibraryProblem();
    EXPECT_NE(problem.find("Npcap is not installed"), std::string::npos) << problem;
    EXPECT_NE(problem.find("\\Npcap\\wpcap.dll: "), std::string::npos) << problem;
}

TEST_F(WithoutNpcap, LiveAndFileCapturesSayTheLibraryIsMissing) {
    const AdapterEntry adapter{"Ethernet", "192.168.0.10", "00:1a:2b:3c:4d:5e", "{GUID}"};
    std::unique_ptr<PcapCaptureSource> captures[] = {makePcapCapture(),
                                                     makePcapFileCapture("replies.pcap")};
    for (auto& capture : captures) {
        const auto error = capture->start(adapter, [](ByteSpan, LinkType) {});
        ASSERT_TRUE(error);
        EXPECT_EQ(error->kind, CaptureError::Kind::NoLibrary);
        EXPECT_EQ(error->message, *captureLibraryProblem());
        EXPECT_FALSE(capture->running());
    }
}

}  // namespace
