/* Presses the close button of every top-level window with the given title: sends the window manager's
 * delete request (WM_DELETE_WINDOW), as a click on the title bar's close button does.
 * usage: x11_close TITLE   (exit 0 when at least one window was found) */
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static int title_matches(Display* d, Window w, const char* title) {
  char* name = NULL;
  int match = 0;
  if (XFetchName(d, w, &name) && name) {
    match = strcmp(name, title) == 0;
    XFree(name);
  }
  return match;
}

static int close_matching(Display* d, Window w, const char* title, Atom protocols, Atom del) {
  int found = 0;
  if (title_matches(d, w, title)) {
    XEvent e;
    memset(&e, 0, sizeof e);
    e.xclient.type = ClientMessage;
    e.xclient.window = w;
    e.xclient.message_type = protocols;
    e.xclient.format = 32;
    e.xclient.data.l[0] = (long)del;
    e.xclient.data.l[1] = CurrentTime;
    XSendEvent(d, w, False, NoEventMask, &e);
    found = 1;
  }
  Window root, parent, *children = NULL;
  unsigned int n = 0;
  if (XQueryTree(d, w, &root, &parent, &children, &n)) {
    for (unsigned int i = 0; i < n; ++i) found |= close_matching(d, children[i], title, protocols, del);
    if (children) XFree(children);
  }
  return found;
}

/* Windows come and go while the tree is walked (other programs, tooltips): a request about one that
 * has just gone is not an error for this tool. */
static int ignore_errors(Display* d, XErrorEvent* e) {
  (void)d;
  (void)e;
  return 0;
}

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: x11_close TITLE\n");
    return 2;
  }
  XSetErrorHandler(ignore_errors);
  Display* d = XOpenDisplay(NULL);
  if (!d) {
    fprintf(stderr, "x11_close: no display\n");
    return 2;
  }
  int found = close_matching(d, DefaultRootWindow(d), argv[1], XInternAtom(d, "WM_PROTOCOLS", False),
                             XInternAtom(d, "WM_DELETE_WINDOW", False));
  XSync(d, False);
  XCloseDisplay(d);
  return found ? 0 : 1;
}
