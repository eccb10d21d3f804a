// The walk of the log must end whatever the device answers at the top of the number range. Each walk runs in
// a child process under an alarm, so a walk that never ends fails the test instead of hanging it.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <vector>

#include "log/device_fixture.h"
#include "log/log_ops.h"

namespace kestrav {
namespace {

constexpr unsigned WalkSeconds = 10;

class WalkEnd : public test::DeviceTest {
protected:
    // Walks the log in a child; the numbers it read, or a failure when the walk does not end in time.
    void ExpectWalk(const std::vector<uint32_t>& expected) {
        int pipeFds[2];
        ASSERT_EQ(::pipe(pipeFds), 0);
        pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(pipeFds[0]);
            ::alarm(WalkSeconds);
            std::vector<LogEntry> entries;
            uint32_t status = ReadAllEntries(entries);
            std::vector<uint32_t> numbers = Numbers(entries);
            numbers.insert(numbers.begin(), status);
            ssize_t size = static_cast<ssize_t>(numbers.size() * sizeof numbers[0]);
            ::_exit(::write(pipeFds[1], numbers.data(), static_cast<size_t>(size)) == size ? 0 : 1);
        }
        ::close(pipeFds[1]);
        std::vector<uint32_t> received;
        uint32_t number = 0;
        while (::read(pipeFds[0], &number, sizeof number) == sizeof number) {
            received.push_back(number);
        }
        ::close(pipeFds[0]);
        int waitStatus = 0;
        ASSERT_EQ(::waitpid(child, &waitStatus, 0), child);
        ASSERT_FALSE(WIFSIGNALED(waitStatus) && WTERMSIG(waitStatus) == SIGALRM)
            << "the walk did not end within " << WalkSeconds << " s";
        ASSERT_TRUE(WIFEXITED(waitStatus) && WEXITSTATUS(waitStatus) == 0);
        ASSERT_FALSE(received.empty());
        EXPECT_EQ(received[0], StatusSuccess);
        EXPECT_EQ(std::vector<uint32_t>(received.begin() + 1, received.end()), expected);
    }
};

// A read fault on the highest number used to send the walk on to number 0 and round the log forever.
TEST_F(WalkEnd, UnreadableHighestNumberEndsTheWalk) {
    struct Case {
        std::vector<uint32_t> stored;
        uint32_t faulted;
        std::vector<uint32_t> walked;
    };
    const std::vector<Case> cases = {
        {{7, 0xFFFFFFFE}, 0xFFFFFFFF, {7, 0xFFFFFFFE}},
        {{7, 0xFFFFFFFE, 0xFFFFFFFF}, 0xFFFFFFFF, {7, 0xFFFFFFFE}},
        {{0xFFFFFFFD, 0xFFFFFFFE}, 0xFFFFFFFE, {0xFFFFFFFD}},
        {{0xFFFFFFFF}, 0xFFFFFFFF, {0xFFFFFFFF}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("fault at " + std::to_string(c.faulted));
        InitDevice();
        std::vector<LogEntry> records;
        for (uint32_t number : c.stored) {
            records.push_back(FirmwareEntry(number));
        }
        Import(records);
        ASSERT_EQ(Store()->SetReadFault(c.faulted, 5), emulator::StoreResult::Done);
        ExpectWalk(c.walked);
    }
}

} // namespace
} // namespace kestrav
