/* Preloaded into the preview: a name lookup of "slow.invalid" waits a minute, as a resolver that
   does not answer would; numeric hosts and other names answer as usual. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <netdb.h>
#include <string.h>
#include <unistd.h>

typedef int (*Lookup)(const char*, const char*, const struct addrinfo*, struct addrinfo**);

int getaddrinfo(const char* node, const char* service, const struct addrinfo* hints,
                struct addrinfo** found) {
    Lookup real = (Lookup)dlsym(RTLD_NEXT, "getaddrinfo");
    int numeric = hints && (hints->ai_flags & AI_NUMERICHOST);
    if (node && strcmp(node, "slow.invalid") == 0 && !numeric)
        sleep(60);
    return real(node, service, hints, found);
}
