// Data package files.
#ifndef QUENLAR_DPF_DPF_H
#define QUENLAR_DPF_DPF_H

#include "dpf/stuffdpf.h"

#endif
