// cSimpleWin: the base of the overlay windows drawn above the application.
#ifndef QUENLAR_TOOLS_SIMPLEWIN_H
#define QUENLAR_TOOLS_SIMPLEWIN_H

class cSimpleWin {
public:
    cSimpleWin() = default;
    virtual ~cSimpleWin() = default;
    cSimpleWin(const cSimpleWin &) = delete;
    cSimpleWin &operator=(const cSimpleWin &) = delete;
};

#endif
