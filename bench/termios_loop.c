/* The request/response loop of a measuring program in plain C with termios and poll, as a
 * process of its own: the limit of this machine for readings per second. For each reading
 * it discards stale input, sends "SI" CR LF, reads what has arrived until CR LF and takes the
 * value. Prints the readings per second from the first reading to the last.
 * Usage: termios_loop PATH READINGS */
#include <fcntl.h>
#include <poll.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

static double Now(void) {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (double)t.tv_sec + (double)t.tv_nsec * 1e-9;
}

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    const int readings = atoi(argv[2]);
    const int fd = open(argv[1], O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0 || readings < 2) return 1;
    struct termios tio;
    if (tcgetattr(fd, &tio) != 0) return 1;
    cfmakeraw(&tio);
    cfsetspeed(&tio, B9600);
    tcsetattr(fd, TCSANOW, &tio);
    double start = 0;
    for (int i = 0; i < readings; ++i) {
        tcflush(fd, TCIFLUSH);
        if (write(fd, "SI\r\n", 4) != 4) return 1;
        char line[256];
        size_t size = 0;
        while (size < 2 || memcmp(line + size - 2, "\r\n", 2) != 0) {
            struct pollfd p = {fd, POLLIN, 0};
            if (poll(&p, 1, 1000) <= 0) return 1;
            const ssize_t n = read(fd, line + size, sizeof line - 1 - size);
            if (n <= 0) return 1;
            size += (size_t)n;
        }
        line[size] = '\0';
        if (size < 4 || strtod(line + 3, NULL) == 0.0) return 1; /* "S S     100.00 g" */
        if (i == 0) start = Now();
    }
    printf("%f\n", (readings - 1) / (Now() - start));
    close(fd);
    return 0;
}
