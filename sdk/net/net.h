// Network.
#ifndef QUENLAR_NET_NET_H
#define QUENLAR_NET_NET_H

#include "net/network.h"

#endif
