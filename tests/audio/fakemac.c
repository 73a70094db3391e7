/* A stand-in for the Monkey's Audio decoder library, built by the tests in variants:
   FAKEMAC_FIRST_NAMES exports the first set of names (default: the second, "c_APEDecompress_*"),
   FAKEMAC_NO_SEEK leaves out the seek function, FAKEMAC_NO_DATA the get-data function.
   A "file" is one text line "FAKEAPE <rate> <channels> <bits> <blocks>"; it decodes to a ramp:
   sample c of block b holds the low <bits> bits of b * channels + c. A line ending in "marks"
   decodes 16-bit stereo to the players' marks instead: left 16384, right (b mod 65536) - 32768.
   "FAKEAPE-ERROR" yields a handle together with an error code. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <wchar.h>

#ifdef _WIN32
#define FAKE_EXPORT __declspec(dllexport)
#define FAKE_CALL __stdcall
#else
#define FAKE_EXPORT __attribute__((visibility("default")))
#define FAKE_CALL
#endif

#ifdef FAKEMAC_FIRST_NAMES
#define FN_CREATE CreateIAPEDecompressW
#define FN_DESTROY DeleteIAPEDecompress
#define FN_GETINFO GetInfoIAPEDecompress
#define FN_GETDATA GetDataIAPEDecompress
#define FN_SEEK SeekIAPEDecompress
#else
#define FN_CREATE c_APEDecompress_Create
#define FN_DESTROY c_APEDecompress_Destroy
#define FN_GETINFO c_APEDecompress_GetInfo
#define FN_GETDATA c_APEDecompress_GetData
#define FN_SEEK c_APEDecompress_Seek
#endif

typedef struct
{
    int rate, channels, bits;
    long long blocks, current;
    int marks;
} Decompressor;

FAKE_EXPORT void *FAKE_CALL FN_CREATE(const wchar_t *path, int *error)
{
    char name[4096];
    size_t i = 0;
    for (; path[i] && i + 1 < sizeof name; ++i) {
        if (path[i] > 127) {
            *error = 1000;
            return NULL;
        }
        name[i] = (char)path[i];
    }
    name[i] = 0;
    FILE *file = fopen(name, "r");
    if (!file) {
        *error = 1000;
        return NULL;
    }
    char line[256] = { 0 };
    const int got = fgets(line, sizeof line, file) != NULL;
    fclose(file);
    Decompressor *d = calloc(1, sizeof *d);
    if (got && strncmp(line, "FAKEAPE-ERROR", 13) == 0) {
        *error = 1002;
        return d;
    }
    if (!got
        || sscanf(line, "FAKEAPE %d %d %d %lld", &d->rate, &d->channels, &d->bits, &d->blocks)
            != 4) {
        free(d);
        *error = 1002;
        return NULL;
    }
    d->marks = strstr(line, "marks") != NULL;
    return d;
}

FAKE_EXPORT void FAKE_CALL FN_DESTROY(void *handle)
{
    free(handle);
}

FAKE_EXPORT int FAKE_CALL FN_GETINFO(void *handle, int field, int param1, int param2)
{
    const Decompressor *d = handle;
    (void)param1;
    (void)param2;
    switch (field) {
    case 1003:
        return d->rate;
    case 1004:
        return d->bits;
    case 1006:
        return d->channels;
    case 1016:
        return (int)d->blocks;
    default:
        return 0;
    }
}

#ifndef FAKEMAC_NO_DATA
FAKE_EXPORT int FAKE_CALL FN_GETDATA(void *handle, char *buffer, int blocks, int *delivered)
{
    Decompressor *d = handle;
    if (blocks <= 0)
        return -1;
    long long n = d->blocks - d->current;
    if (n > blocks)
        n = blocks;
    const int width = d->bits / 8;
    for (long long b = 0; b < n; ++b) {
        for (int c = 0; c < d->channels; ++c) {
            unsigned long long value = (unsigned long long)(d->current + b) * d->channels + c;
            if (d->marks)
                value = c == 0 ? 16384 : (unsigned long long)((d->current + b) % 65536 + 32768);
            for (int k = 0; k < width; ++k)
                *buffer++ = (char)((value >> (8 * k)) & 0xff);
        }
    }
    d->current += n;
    *delivered = (int)n;
    return 0;
}
#endif

#ifndef FAKEMAC_NO_SEEK
FAKE_EXPORT int FAKE_CALL FN_SEEK(void *handle, int block)
{
    Decompressor *d = handle;
    if (block < 0 || block > d->blocks)
        return 1000;
    d->current = block;
    return 0;
}
#endif
