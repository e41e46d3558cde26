// dpftool export-image: an "IMG" block written as a PNG picture. The same
// picture is the block's preview, and `list` describes it by its header.
#include "picture.h"
#include "resource_kind.h"

#include <quenlar/gfx/imageblock.h>

#include <cerrno>
#include <cstring>

namespace {
int WritePng(int handle, const char *name, const char *out) {
    DPFBlock block;
    std::memset(&block, 0, sizeof block);
    const int size = IStuffDPF->LoadBlock(handle, "IMG", name, &block);
    if (size <= 0) {
        delete[] block.data;
        return dpftool::Fail("no image '%s' (%s)", name, dpftool::SdkReason().c_str());
    }
    SDL_Surface *picture =
        qnl::DecodeImageBlock(reinterpret_cast<const Uint8 *>(block.data), (size_t)size);
    delete[] block.data;
    if (!picture)
        return dpftool::Fail("the image block '%s' is damaged (%s)", name,
                             dpftool::SdkReason().c_str());
    return dpftool::WritePicture(picture, out);
}

std::string Describe(const unsigned char *data, size_t size) {
    qnl::ImageBlockHeader header;
    if (!qnl::ParseImageBlockHeader(data, size, header)) return "";
    return "image " + std::to_string(header.width) + "x" + std::to_string(header.height) + ", " +
           std::to_string(header.bitsPerPixel) + " bits";
}

int Run(int argc, char **argv) {
    dpftool::Args args("export-image", argc, argv, {}, 3, 3);
    if (!args.ok()) return args.status();
    const char *path = args[0], *name = args[1], *out = args[2];
    if (!*name || std::strlen(name) > 31)
        return dpftool::UsageError("export-image", "NAME must have 1 to 31 characters");

    dpftool::Sdk sdk;
    const int handle = dpftool::OpenPackage(path, dpftool::kReadOnly | dpftool::kNeedBlocks);
    if (!handle) return dpftool::kFailed;
    const int status = WritePng(handle, name, out);
    IStuffDPF->Close(handle);
    return status;
}
} // namespace

DPFTOOL_COMMAND("export-image", "export-image PACKAGE NAME OUT.png", Run);
DPFTOOL_RESOURCE_KIND("IMG", Describe, WritePng);
