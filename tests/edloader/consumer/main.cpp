// A C++ program built through find_package(EdLoader); prints what the C program prints.
#include <edloader/edloader.hpp>
#include <iostream>

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    try {
        const edl::Structure s = edl::Structure::Load(argv[1]);
        std::cout << "instances " << s.InstanceCount() << "\nroot " << s.Root()->Name() << '\n';
    } catch (const edl::LoadError& e) {
        std::cerr << e.what() << '\n';
        return 1;
    }
}
