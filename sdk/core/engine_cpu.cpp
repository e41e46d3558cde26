// The engine's processor operations, over the detection in cpu.cpp.
#include <quenlar/core/cpu_private.h>
#include <quenlar/core/engine.h>

int QuenlarEngine::GetCPUFeatures(char *buffer) {
    int code = 0;
    int usable = qnl::DescribeCPU(qnl::ProbeCPU(), buffer, &code);
    if (buffer || !usable) return usable;
    return SelectCodePath(code);
}

int QuenlarEngine::SelectCodePath(int code) {
    return qnl::SelectCopyPath(code);
}
