#include "state.h"

int d[90][90];
const std::uint16_t k[15] = {'-', '-', '\'', '*', '$', '.', '@', '\'', '>', '$', '\'', '/', '\'', '$', 0};

int l = 18;
int p = 18;
int w = 1;
int j = 0;
int L = 0;
int v = 0;
int a = 0;

int x, y;
int f, g;
int b;
int c;
