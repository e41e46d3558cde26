// INetwork: DataNet records over TCP.
#ifndef QUENLAR_NET_NETWORK_H
#define QUENLAR_NET_NETWORK_H

class QNetwork {
public:
    QNetwork();
    ~QNetwork();
    QNetwork(const QNetwork &) = delete;
    QNetwork &operator=(const QNetwork &) = delete;
};

// Created by Quenlar.Init, destroyed by Quenlar.Quit; null outside.
extern QNetwork *INetwork;

#endif
