#include <cstdio>
#include <cstring>
int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "--version") == 0) std::puts("20151130");
  return 0;
}
