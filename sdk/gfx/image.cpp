#include <quenlar/gfx/image.h>

#include <quenlar/core/error_private.h>
#include <quenlar/core/log.h>
#include <quenlar/dpf/stuffdpf.h>
#include <quenlar/gfx/imageblock.h>
#include <quenlar/gfx/surface.h>

#include <SDL_image.h>
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

QImage *IImage = nullptr;

QImage::QImage() {
    ILogSystem.Msg(5, " . [IImage] Interfaz created.\n");
}

QImage::~QImage() {
    ILogSystem.Msg(5, " . [IImage] Interfaz deleted.\n");
}

// ---------------------------------------------------------------------------
// "IMG" blocks
// ---------------------------------------------------------------------------
// Messages show the description record's address in full, also on 64-bit.
#define QNL_IMAGE_ORIGIN " . [IImage->Load('%s','%s',0x%lx)] "

namespace {
// Records why a loader cannot start; returns null.
SDL_Surface *Refused(qnl::ErrorCode code, const char *reason) {
    qnl::SetError(code, "%s", reason);
    return nullptr;
}

enum class Read { kDone, kNotRead, kDamaged };

// The picture of a stored block (`size` bytes, located by the last search
// of `handle`), its rows read from the file straight into the new surface.
// A layout the SDL library lacks is converted from the whole payload.
Read ReadStoredImage(int handle, int size, qnl::ImageBlockHeader &header, SDL_Surface **out) {
    Uint8 head[qnl::kImageHeaderSize] = {0};
    if ((size_t)size >= sizeof head && !IStuffDPF->ReadFound(handle, 0, head, sizeof head))
        return Read::kNotRead;
    if (!qnl::ParseImageBlockHeader(head, (size_t)size, header)) return Read::kDamaged;

    SDL_Surface *s = qnl::NewImageSurface(header);
    if (!s) {
        std::vector<Uint8> payload((size_t)size);
        if (!IStuffDPF->ReadFound(handle, 0, payload.data(), (unsigned)size)) return Read::kNotRead;
        *out = qnl::DecodeImageBlock(payload.data(), payload.size());
        return *out ? Read::kDone : Read::kDamaged;
    }
    // The header promised every row within the block (the parse checked).
    const size_t pitch = qnl::ImageStoredPitch(header), row = std::min(pitch, (size_t)s->pitch);
    Uint8 *pixels = static_cast<Uint8 *>(s->pixels);
    bool read = true;
    if ((size_t)s->pitch == pitch) {
        read = IStuffDPF->ReadFound(handle, qnl::kImageHeaderSize, pixels,
                                    (unsigned)(pitch * (size_t)header.height));
    } else {
        for (int y = 0; y < header.height && read; ++y)
            read = IStuffDPF->ReadFound(handle, (unsigned)(qnl::kImageHeaderSize + y * pitch),
                                        pixels + (size_t)y * s->pitch, (unsigned)row);
    }
    Uint8 palette[qnl::kImagePaletteSize];
    const bool paletted = header.bitsPerPixel == 8;
    if (read && paletted)
        read = IStuffDPF->ReadFound(handle, (unsigned)(size - qnl::kImagePaletteSize), palette,
                                    sizeof palette);
    if (!read) {
        SDL_FreeSurface(s);
        return Read::kNotRead;
    }
    qnl::FinishImageSurface(s, header, paletted ? palette : nullptr);
    *out = s;
    return Read::kDone;
}
} // namespace

SDL_Surface *QImage::Load(const char *path, const char *name, ImageDesc *desc) {
    if (!IStuffDPF) return Refused(qnl::ErrorCode::kNotInitialized, "there is no IStuffDPF.");
    if (!path) return Refused(qnl::ErrorCode::kInvalidArgument, "no package was given.");
    const int handle = IStuffDPF->Open(path); // logs and records why it cannot
    if (handle <= 0) return nullptr;
    SDL_Surface *surface = Load(handle, name, desc);
    IStuffDPF->Close(handle);
    return surface;
}

SDL_Surface *QImage::Load(int handle, const char *name, ImageDesc *desc) {
    if (!IStuffDPF) return Refused(qnl::ErrorCode::kNotInitialized, "there is no IStuffDPF.");
    if (handle <= 0 || !name)
        return Refused(qnl::ErrorCode::kInvalidArgument, "no package handle or name was given.");
    const char *archive = IStuffDPF->GetName(handle);
    if (!archive) archive = "";
    const unsigned long record = (unsigned long)(uintptr_t)desc;

    // A stored block is read straight into the surface; others are loaded
    // and decoded.
    DPFBlock block;
    std::memset(&block, 0, sizeof block);
    const int size = IStuffDPF->LocateBlock(handle, "IMG", name, &block);
    qnl::ImageBlockHeader header;
    SDL_Surface *surface = nullptr;
    Read read = Read::kNotRead;
    if (size > 0 && block.data) {
        surface = qnl::DecodeImageBlock(reinterpret_cast<const Uint8 *>(block.data), (size_t)size,
                                        &header);
        read = surface ? Read::kDone : Read::kDamaged;
    } else if (size > 0) {
        read = ReadStoredImage(handle, size, header, &surface);
    }
    delete[] block.data;
    if (read == Read::kNotRead) { // the package recorded why
        ILogSystem.Msg(0, QNL_IMAGE_ORIGIN "Error: image not found.\n", archive, name, record);
        return nullptr;
    }
    if (read == Read::kDamaged) { // the decoder recorded why
        ILogSystem.Msg(0, QNL_IMAGE_ORIGIN "Error: the image block is damaged.\n", archive, name,
                       record);
        return nullptr;
    }

    // Alpha per pixel: the masks carry alpha and the stored alpha is opaque.
    const bool perPixelAlpha =
        (surface->flags & SDL_SRCALPHA) && surface->format->Amask && header.alpha == 255;
    const bool convert = qnl::ImageConversion();
    if (header.bitsPerPixel == 8) {
        ILogSystem.Msg(2,
                       QNL_IMAGE_ORIGIN "Warning: 8bits surface loaded, it could be a "
                                        "different screen format.\n",
                       archive, name, record);
    } else if (convert && qnl::NeedsDisplayFormat(surface)) {
        if (perPixelAlpha)
            ILogSystem.Msg(5,
                           QNL_IMAGE_ORIGIN "Info: surface with alpha per pixel loaded, it "
                                            "could slow down your graphics system.\n",
                           archive, name, record);
        surface = qnl::ConvertToDisplayFormat(surface, perPixelAlpha);
    }
    if (convert) qnl::UploadTexture(surface);
    // A conversion may have given the surface a key value of its own.
    if (header.colorkey == qnl::kNoColorKey) surface->format->colorkey = qnl::kNoColorKey;

    if (desc) {
        desc->width = header.width;
        desc->height = header.height;
        desc->bpp = header.bitsPerPixel;
        desc->alpha = header.alpha;
        desc->colorkey = (Sint32)header.colorkey;
        std::strncpy(desc->name, name, sizeof desc->name - 1);
        desc->name[sizeof desc->name - 1] = '\0';
    }
    return surface;
}

// ---------------------------------------------------------------------------
// PNG data
// ---------------------------------------------------------------------------
SDL_Surface *QImage::LoadPNG(const void *data, int size) {
    if (!data || size <= 0)
        return Refused(qnl::ErrorCode::kInvalidArgument, "no PNG data was given.");
    SDL_RWops *rw = SDL_RWFromConstMem(data, size);
    if (!rw) return Refused(qnl::ErrorCode::kNoMemory, SDL_GetError());
    SDL_Surface *surface = IMG_LoadPNG_RW(rw);
    SDL_RWclose(rw);
    if (!surface) return Refused(qnl::ErrorCode::kCorrupted, IMG_GetError());

    if (qnl::ImageConversion() && qnl::NeedsDisplayFormat(surface)) {
        if (surface->flags & SDL_SRCALPHA) {
            surface = qnl::ConvertToDisplayFormat(surface, true);
        } else {
            SDL_SetAlpha(surface, 0, 255);
            SDL_SetColorKey(surface, 0, 0);
            surface = qnl::ConvertToDisplayFormat(surface, false);
        }
    }
    if (qnl::ImageConversion()) qnl::UploadTexture(surface);
    surface->format->colorkey = qnl::kNoColorKey;
    return surface;
}
