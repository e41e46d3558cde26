// Shared by the dpftool tests: the program run as a user would run it, in
// the test's temporary directory.
#ifndef QUENLAR_TESTS_DPFTOOL_FIXTURE_H
#define QUENLAR_TESTS_DPFTOOL_FIXTURE_H

#include "dpf/dpf_fixture.h"

class DpftoolTest : public DpfTest {
protected:
    testing_support::RunResult Tool(std::vector<std::string> args, const std::string &input = "",
                                    int timeoutSeconds = 60) {
        args.insert(args.begin(), testing_support::Program("dpftool"));
        return testing_support::Run(args, dir.path(), input, {}, timeoutSeconds);
    }
    // Runs and expects success with nothing on stderr.
    std::string Ok(const std::vector<std::string> &args) {
        testing_support::RunResult r = Tool(args);
        EXPECT_EQ(0, r.status) << r.err;
        EXPECT_EQ("", r.err);
        return r.out;
    }
};

#endif
