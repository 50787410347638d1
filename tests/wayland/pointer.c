// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

// A pointer for a compositor that has none (sway headless): moves a virtual pointer to a point of
// the output layout and presses and releases buttons there, through the compositor's own input
// path, as a mouse would.
//
//   kolvar-wlpointer WIDTH HEIGHT     (the layout's size in logical pixels)
//
// then one line per gesture on standard input, "X Y [BUTTON...]": the pointer goes to X, Y and
// each BUTTON (1 left, 2 middle, 3 right, as X numbers them) is pressed and released in turn,
// 80 ms apart. Each line is answered "done" once the compositor has it, or "bad line".

#include "wlr-virtual-pointer-unstable-v1-client-protocol.h"

#include <linux/input-event-codes.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <wayland-client.h>

static struct wl_seat* seat;
static struct zwlr_virtual_pointer_manager_v1* manager;

static void global(void* data, struct wl_registry* registry, uint32_t name, const char* interface,
                   uint32_t version) {
    (void)data;
    (void)version;
    if (strcmp(interface, wl_seat_interface.name) == 0)
        seat = wl_registry_bind(registry, name, &wl_seat_interface, 1);
    else if (strcmp(interface, zwlr_virtual_pointer_manager_v1_interface.name) == 0)
        manager = wl_registry_bind(registry, name, &zwlr_virtual_pointer_manager_v1_interface, 1);
}

static void global_remove(void* data, struct wl_registry* registry, uint32_t name) {
    (void)data;
    (void)registry;
    (void)name;
}

static const struct wl_registry_listener listener = {global, global_remove};

static uint32_t now_ms(void) {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (uint32_t)(t.tv_sec * 1000 + t.tv_nsec / 1000000);
}

/// Presses and releases button `b` (1 left, 2 middle, 3 right) where the pointer is.
static int click(struct wl_display* display, struct zwlr_virtual_pointer_v1* pointer, long b) {
    static const uint32_t codes[] = {BTN_LEFT, BTN_MIDDLE, BTN_RIGHT};
    static const uint32_t states[] = {WL_POINTER_BUTTON_STATE_PRESSED,
                                      WL_POINTER_BUTTON_STATE_RELEASED};
    if (b < 1 || b > 3) return 0;
    for (int i = 0; i < 2; ++i) {
        const struct timespec pause = {0, (i ? 30 : 80) * 1000000L};
        nanosleep(&pause, NULL);
        zwlr_virtual_pointer_v1_button(pointer, now_ms(), codes[b - 1], states[i]);
        zwlr_virtual_pointer_v1_frame(pointer);
        wl_display_roundtrip(display);
    }
    return 1;
}

int main(int argc, char** argv) {
    const long width = argc == 3 ? strtol(argv[1], NULL, 10) : 0;
    const long height = argc == 3 ? strtol(argv[2], NULL, 10) : 0;
    if (width <= 0 || height <= 0) {
        fprintf(stderr, "usage: %s WIDTH HEIGHT, then lines of X Y [BUTTON...]\n", argv[0]);
        return 2;
    }
    struct wl_display* display = wl_display_connect(NULL);
    if (!display) {
        fprintf(stderr, "%s: no Wayland display\n", argv[0]);
        return 1;
    }
    struct wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &listener, NULL);
    wl_display_roundtrip(display);
    if (!manager) {
        fprintf(stderr, "%s: the compositor offers no virtual pointer\n", argv[0]);
        return 1;
    }
    // One pointer for the whole session: a seat whose pointer comes and goes makes its clients
    // drop and make their own pointer again each time.
    struct zwlr_virtual_pointer_v1* pointer =
        zwlr_virtual_pointer_manager_v1_create_virtual_pointer(manager, seat);
    wl_display_roundtrip(display);
    printf("ready\n");
    fflush(stdout);
    char line[256];
    while (fgets(line, sizeof line, stdin)) {
        char* at = line;
        char* end = NULL;
        const long x = strtol(at, &end, 10);
        const long y = end != at ? strtol(at = end, &end, 10) : -1;
        int ok = end != at && x >= 0 && y >= 0 && x < width && y < height;
        if (ok) {
            zwlr_virtual_pointer_v1_motion_absolute(pointer, now_ms(), (uint32_t)x, (uint32_t)y,
                                                    (uint32_t)width, (uint32_t)height);
            zwlr_virtual_pointer_v1_frame(pointer);
            wl_display_roundtrip(display);
            for (long b; ok && (b = strtol(at = end, &end, 10), end != at);)
                ok = click(display, pointer, b);
        }
        printf(ok ? "done\n" : "bad line\n");
        fflush(stdout);
    }
    zwlr_virtual_pointer_v1_destroy(pointer);
    wl_display_roundtrip(display);
    wl_display_disconnect(display);
    return 0;
}
