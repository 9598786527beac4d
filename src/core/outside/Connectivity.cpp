#include "core/outside/Connectivity.h"

#include "core/outside/ServerAddresses.h"

#include <QNetworkInterface>

int Connectivity::connectedState()
{
    const bool wantLoopback = ServerAddresses::isLoopback();
    const auto interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface& nic : interfaces) {
        const auto flags = nic.flags();
        if (!(flags & QNetworkInterface::IsUp) || !(flags & QNetworkInterface::IsRunning))
            continue;
        const bool loopback = flags & QNetworkInterface::IsLoopBack;
        if (loopback && !wantLoopback)
            continue;
        if (!nic.addressEntries().isEmpty())
            return 1;
    }
    return 0;
}
