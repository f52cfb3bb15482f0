#include <cstdio>
#include <cstdlib>
#include <iostream>

#include "app/batch.h"

int main(int argc, char** argv) {
    const int code = run_batch(argc, argv, std::cout, std::cerr);
    std::cout.flush();
    std::cerr.flush();
    // Workers still running down (EXIT, timeout) are not waited for.
    std::_Exit(code);
}
