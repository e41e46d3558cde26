// Data package files.
#ifndef QUENLAR_DPF_DPF_H
#define QUENLAR_DPF_DPF_H

#include <quenlar/dpf/stuffdpf.h>

#endif
