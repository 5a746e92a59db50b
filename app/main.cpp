// The program's entry point. Until the main window exists it only says what is built.
#include <cstdio>

int main() {
  std::puts("InterBase Vantorelle: the component library is being built; the main window is not yet part of this build.");
  return 0;
}
