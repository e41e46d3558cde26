// A game developer's first program against the installed SDK.
#include <quenlar/quenlar.h>
#include <cstdio>

int main() {
    if (Quenlar.Init(0) < 0) return 1;
    unsigned int crc = Quenlar.CRC32("123456789", 9);
    Quenlar.Quit();
    printf("%08X\n", crc);
    return crc == 0xCBF43926u ? 0 : 1;
}
