/* A seat with a pointer and a keyboard for weston's headless backend, which
 * has none: without a seat every GTK client complains at start-up that it
 * has no keyboard, and a desktop never lacks one. Loaded with --modules. */
#include <libweston/libweston.h>
#include <stdlib.h>

/* Part of libweston's interface for backends, whose header is not installed. */
void weston_seat_init(struct weston_seat *seat, struct weston_compositor *ec,
                      const char *seat_name);
int weston_seat_init_pointer(struct weston_seat *seat);
int weston_seat_init_keyboard(struct weston_seat *seat, struct xkb_keymap *keymap);

WL_EXPORT int wet_module_init(struct weston_compositor *compositor, int *argc, char *argv[]);

WL_EXPORT int wet_module_init(struct weston_compositor *compositor, int *argc, char *argv[])
{
    (void)argc;
    (void)argv;
    /* Lives as long as the compositor process. */
    struct weston_seat *seat = calloc(1, sizeof *seat);
    if (seat == NULL)
        return -1;
    weston_seat_init(seat, compositor, "seat0");
    if (weston_seat_init_pointer(seat) < 0 || weston_seat_init_keyboard(seat, NULL) < 0)
        return -1;
    return 0;
}
