#include "net/network.h"

QNetwork *INetwork = nullptr;

// Unlike the other interfaces, INetwork logs no creation or deletion line.
QNetwork::QNetwork() {}

QNetwork::~QNetwork() {}
