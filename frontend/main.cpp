#include "frontend/frontend.hpp"

int main() { return console_main(); }
