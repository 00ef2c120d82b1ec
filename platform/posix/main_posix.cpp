#include <cstdio>

int main()
{
    std::fputs("La ventana forma parte de la version para Windows.\n", stderr);
    return 1;
}
