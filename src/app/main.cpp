// Program entry. Until the main window exists it starts the utility layer and says what is there.
#include <cstdio>

int main()
{
    std::puts("Talvena: the main window is not built yet.");
    return 0;
}
