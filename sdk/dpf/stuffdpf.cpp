#include "dpf/stuffdpf.h"

#include "core/log.h"

QStuffDPF *IStuffDPF = nullptr;

QStuffDPF::QStuffDPF() { ILogSystem.Msg(5, " . [IStuffDPF] Interfaz created.\n"); }

QStuffDPF::~QStuffDPF() { ILogSystem.Msg(5, " . [IStuffDPF] Interfaz deleted.\n"); }
