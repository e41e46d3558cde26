// IStuffDPF: data package (DPF) archives.
#ifndef QUENLAR_DPF_STUFFDPF_H
#define QUENLAR_DPF_STUFFDPF_H

class QStuffDPF {
public:
    QStuffDPF();
    ~QStuffDPF();
    QStuffDPF(const QStuffDPF &) = delete;
    QStuffDPF &operator=(const QStuffDPF &) = delete;
};

// Created by Quenlar.Init, destroyed by Quenlar.Quit; null outside.
extern QStuffDPF *IStuffDPF;

#endif
