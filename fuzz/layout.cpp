// Any bytes as the launcher's layout.xml: the reader must stop with a code,
// and every text it stores must stay terminated inside its field.
#include <quenlar/core/engine.h>
#include "input_file.h"
#include "setup/layout.h"

#include <cstdint>
#include <cstring>

namespace {
template <size_t N> void CheckTerminated(const char (&field)[N]) {
    if (!memchr(field, '\0', N)) __builtin_trap();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    FuzzInputFile input(data, size, "layout.xml");
    SetupState state;
    if (int h = Quenlar.XMLOpen(input.path())) {
        int code = ParseLayoutDocument(h, state);
        Quenlar.XMLClose(h);
        for (const auto &name : state.resource)
            CheckTerminated(name);
        CheckTerminated(state.skin);
        CheckTerminated(state.logoName);
        CheckTerminated(state.title);
        CheckTerminated(state.target);
        CheckTerminated(state.configPackage);
        CheckTerminated(state.configBlock);
        for (int i = 0; i < 4; ++i)
            CheckTerminated(state.resWidth[i]), CheckTerminated(state.resHeight[i]);
        for (const CustomButton &button : state.custom) {
            CheckTerminated(button.data);
            CheckTerminated(button.resource);
        }
        if (code == 0) LayoutResources(state);
    }
    return 0;
}
