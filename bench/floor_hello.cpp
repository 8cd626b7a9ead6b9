// Floor for a program's start-up: a bare C++ program that prints one line.
#include <iostream>

int main()
{
    std::cout << "hello" << std::endl;
    return 0;
}
