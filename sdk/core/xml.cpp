// XML documents by handle, on TinyXML.
#include "core/engine_private.h"

#include <tinyxml.h>

void QuenlarEngine::XMLClose(int h) {
    if (h < 1 || h > qnl::kXmlSlots) return;
    delete state_->xmlDoc[h - 1];
    state_->xmlDoc[h - 1] = nullptr;
    state_->xmlCurrent[h - 1] = nullptr;
}
