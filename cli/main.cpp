#include <QCoreApplication>

#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    std::fputs("Usage: tessel-cli COMMAND ...\n", stdout);
    return 2;
}
