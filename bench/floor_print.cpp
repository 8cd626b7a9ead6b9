// Floor for the sampler's output cost: prints the lines of a file one by one,
// flushing after each, as the sampler prints its points.
#include <fstream>
#include <iostream>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 2)
        return 2;
    std::ifstream in(argv[1]);
    std::string line;
    while (std::getline(in, line))
        std::cout << line << std::endl;
    return 0;
}
