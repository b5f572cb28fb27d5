/* Pointer and clipboard of an X display, for tests that drive a real program:
 *   x11_input warp X Y     puts the pointer at screen position X, Y
 *   x11_input position     prints the pointer's screen position as "X Y"
 *   x11_input move X Y     moves the pointer there as a user would (XTest), so programs get motion events
 *   x11_input click X Y    moves there and clicks the first button (as a person's click arrives: it can
 *                          open a select's list)
 *   x11_input button N press|release|click   presses or releases pointer button N where the pointer
 *                          is (4 and 5: one wheel step); "press N" and "release N" are short forms
 *   x11_input cursor       prints "hidden" when the cursor shown now is blank, else "shown"
 *   x11_input type TEXT    types TEXT (printable ASCII) as key presses on the focused window, with Shift
 *                          where the keyboard map needs it
 *   x11_input key COMBO    presses and releases a key with modifiers, as "Return", "Escape" or "alt+y"
 *                          (modifiers ctrl, shift, alt; a key by its X keysym name)
 *   x11_input patch X Y W H RRGGBB   shows a borderless window of exactly that colour there, kept above
 *                          the others, until the process is ended; prints "ready" once it is on the screen
 *   x11_input shape TITLE  prints the bounding shape of the shown window titled TITLE: "size W H", then
 *                          one "x y w h" line per rectangle of its shape (XShape), or "unshaped"
 *   x11_input resize TITLE W H   gives the shown window titled TITLE that size (no window manager needed)
 *   x11_input clipboard    reads text from standard input, takes the CLIPBOARD selection and serves
 *                          it (UTF8_STRING, STRING, TEXT) until another client takes it or the
 *                          process is ended; prints "ready" once it owns the selection and "served"
 *                          each time a program has read the text.
 * Exit status 2 on bad arguments or without a display. */
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xfixes.h>
#include <X11/extensions/shape.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

/* A known colour on the screen: the default visual's pixel value is the colour itself (24-bit TrueColor,
 * as the test displays are). */
static int show_patch(Display* d, char** argv) {
  const unsigned long colour = strtoul(argv[6], NULL, 16);
  XSetWindowAttributes attrs;
  attrs.override_redirect = True;
  attrs.background_pixel = colour;
  Window w = XCreateWindow(d, DefaultRootWindow(d), atoi(argv[2]), atoi(argv[3]), (unsigned)atoi(argv[4]), (unsigned)atoi(argv[5]), 0,
                           CopyFromParent, InputOutput, CopyFromParent, CWOverrideRedirect | CWBackPixel, &attrs);
  XSelectInput(d, w, ExposureMask | VisibilityChangeMask);
  XMapRaised(d, w);
  XEvent ev;
  do XNextEvent(d, &ev); while (ev.type != Expose);
  XSync(d, False);
  printf("ready\n");
  fflush(stdout);
  /* It stays on top: a window raised over it (the program's own, when it is activated) is put under it. */
  for (;;) {
    XNextEvent(d, &ev);
    if (ev.type == VisibilityNotify && ev.xvisibility.state != VisibilityUnobscured) {
      XRaiseWindow(d, w);
      XSync(d, False);
    }
  }
  return 0;
}

static int serve_clipboard(Display* d) {
  size_t size = 0, capacity = 4096;
  char* text = malloc(capacity);
  size_t got;
  while (text && (got = fread(text + size, 1, capacity - size, stdin)) > 0) {
    size += got;
    if (size == capacity) text = realloc(text, capacity *= 2);
  }
  if (!text) return 2;
  Window w = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 1, 1, 0, 0, 0);
  Atom clipboard = XInternAtom(d, "CLIPBOARD", False), targets = XInternAtom(d, "TARGETS", False);
  Atom utf8 = XInternAtom(d, "UTF8_STRING", False), text_atom = XInternAtom(d, "TEXT", False);
  XSetSelectionOwner(d, clipboard, w, CurrentTime);
  if (XGetSelectionOwner(d, clipboard) != w) return 1;
  printf("ready\n");
  fflush(stdout);
  for (;;) {
    XEvent e;
    XNextEvent(d, &e);
    if (e.type == SelectionClear) return 0;
    if (e.type != SelectionRequest) continue;
    XSelectionRequestEvent* r = &e.xselectionrequest;
    XSelectionEvent reply;
    memset(&reply, 0, sizeof reply);
    reply.type = SelectionNotify;
    reply.requestor = r->requestor;
    reply.selection = r->selection;
    reply.target = r->target;
    reply.time = r->time;
    reply.property = r->property == None ? r->target : r->property;
    if (r->target == targets) {
      Atom offered[] = {targets, utf8, XA_STRING, text_atom};
      XChangeProperty(d, r->requestor, reply.property, XA_ATOM, 32, PropModeReplace, (unsigned char*)offered, 4);
    } else if (r->target == utf8 || r->target == XA_STRING || r->target == text_atom) {
      XChangeProperty(d, r->requestor, reply.property, r->target == text_atom ? utf8 : r->target, 8, PropModeReplace,
                      (unsigned char*)text, (int)size);
    } else {
      reply.property = None;
    }
    XSendEvent(d, r->requestor, False, NoEventMask, (XEvent*)&reply);
    XFlush(d);
    if (reply.property != None && r->target != targets) {
      printf("served\n");
      fflush(stdout);
    }
  }
}

static void button(Display* d, unsigned int n, const char* what) {
  int press = strcmp(what, "press") == 0 || strcmp(what, "click") == 0;
  int release = strcmp(what, "release") == 0 || strcmp(what, "click") == 0;
  if (press) XTestFakeButtonEvent(d, n, True, CurrentTime);
  XSync(d, False);
  /* A press and release in one instant can read as no click at all to a GTK widget. */
  if (press && release) usleep(50000);
  if (release) XTestFakeButtonEvent(d, n, False, CurrentTime);
  XSync(d, False);
}

/* One key with the modifier keycodes held around it. 0 when the keyboard map has no key for `sym`. */
static int key(Display* d, KeySym sym, const KeyCode* modifiers, int count) {
  KeyCode code = XKeysymToKeycode(d, sym);
  if (!code) return 0;
  KeyCode held[8];
  int n = 0;
  for (int i = 0; i < count && n < 7; i++) held[n++] = modifiers[i];
  /* The keysym sits at the shifted level of its key: Shift goes down with it. */
  int syms_per_code = 0;
  KeySym* syms = XGetKeyboardMapping(d, code, 1, &syms_per_code);
  if (syms && syms_per_code > 1 && syms[0] != sym && syms[1] == sym) held[n++] = XKeysymToKeycode(d, XK_Shift_L);
  if (syms) XFree(syms);
  for (int i = 0; i < n; i++) XTestFakeKeyEvent(d, held[i], True, CurrentTime);
  XTestFakeKeyEvent(d, code, True, CurrentTime);
  XTestFakeKeyEvent(d, code, False, CurrentTime);
  for (int i = n - 1; i >= 0; i--) XTestFakeKeyEvent(d, held[i], False, CurrentTime);
  XSync(d, False);
  /* Keys that arrive all at once can be read out of order by a busy client. */
  usleep(3000);
  return 1;
}

static int type_text(Display* d, const char* text) {
  for (const unsigned char* c = (const unsigned char*)text; *c; c++) {
    if (*c < 0x20 || *c > 0x7e) return 0;
    if (!key(d, (KeySym)*c, NULL, 0)) return 0;
  }
  return 1;
}

static int key_combo(Display* d, const char* combo) {
  char buffer[128];
  snprintf(buffer, sizeof buffer, "%s", combo);
  KeyCode modifiers[4];
  int count = 0;
  char* part = buffer;
  for (char* plus; (plus = strchr(part, '+')) != NULL && count < 4; part = plus + 1) {
    *plus = '\0';
    KeySym m = strcmp(part, "ctrl") == 0 ? XK_Control_L : strcmp(part, "shift") == 0 ? XK_Shift_L
               : strcmp(part, "alt") == 0 ? XK_Alt_L : NoSymbol;
    if (m == NoSymbol) return 0;
    modifiers[count++] = XKeysymToKeycode(d, m);
  }
  KeySym sym = XStringToKeysym(part);
  return sym != NoSymbol && key(d, sym, modifiers, count);
}

/* Windows come and go while the tree is walked (other programs, tooltips): a request about one that
 * has just gone is not an error for this tool. */
static int ignore_errors(Display* d, XErrorEvent* e) {
  (void)d;
  (void)e;
  return 0;
}

/* The viewable window named `title` below `w`, or 0. */
static Window find_shown(Display* d, Window w, const char* title) {
  char* name = NULL;
  XWindowAttributes attrs;
  if (XFetchName(d, w, &name) && name) {
    const int match = strcmp(name, title) == 0;
    XFree(name);
    if (match && XGetWindowAttributes(d, w, &attrs) && attrs.map_state == IsViewable) return w;
  }
  Window root, parent, *children = NULL;
  unsigned int count = 0;
  Window found = 0;
  if (XQueryTree(d, w, &root, &parent, &children, &count)) {
    for (unsigned int i = 0; i < count && !found; i++) found = find_shown(d, children[i], title);
    if (children) XFree(children);
  }
  return found;
}

static int print_shape(Display* d, const char* title) {
  Window w = find_shown(d, DefaultRootWindow(d), title);
  if (!w) return 1;
  XWindowAttributes attrs;
  XGetWindowAttributes(d, w, &attrs);
  printf("size %d %d\n", attrs.width, attrs.height);
  Bool bounding = False, clip = False;
  int bx, by, cx, cy;
  unsigned int bw, bh, cw, ch;
  XShapeQueryExtents(d, w, &bounding, &bx, &by, &bw, &bh, &clip, &cx, &cy, &cw, &ch);
  if (!bounding) {
    printf("unshaped\n");
    return 0;
  }
  int count = 0, ordering = 0;
  XRectangle* rects = XShapeGetRectangles(d, w, ShapeBounding, &count, &ordering);
  for (int i = 0; i < count; i++) printf("%d %d %d %d\n", rects[i].x, rects[i].y, rects[i].width, rects[i].height);
  if (rects) XFree(rects);
  return 0;
}

int main(int argc, char** argv) {
  XSetErrorHandler(ignore_errors);
  Display* d = XOpenDisplay(NULL);
  if (!d) {
    fprintf(stderr, "x11_input: no display\n");
    return 2;
  }
  int status = 2;
  if (argc == 3 && strcmp(argv[1], "shape") == 0) {
    status = print_shape(d, argv[2]);
  } else if (argc == 5 && strcmp(argv[1], "resize") == 0) {
    Window w = find_shown(d, DefaultRootWindow(d), argv[2]);
    if (w) XResizeWindow(d, w, (unsigned)atoi(argv[3]), (unsigned)atoi(argv[4]));
    XSync(d, False);
    status = w ? 0 : 1;
  } else if (argc == 4 && strcmp(argv[1], "warp") == 0) {
    XWarpPointer(d, None, DefaultRootWindow(d), 0, 0, 0, 0, atoi(argv[2]), atoi(argv[3]));
    XSync(d, False);
    status = 0;
  } else if (argc == 4 && (strcmp(argv[1], "move") == 0 || strcmp(argv[1], "click") == 0)) {
    XTestFakeMotionEvent(d, -1, atoi(argv[2]), atoi(argv[3]), CurrentTime);
    XSync(d, False);
    if (strcmp(argv[1], "click") == 0) {
      usleep(50000);
      button(d, 1, "click");
    }
    status = 0;
  } else if (argc == 4 && strcmp(argv[1], "button") == 0 && atoi(argv[2]) > 0) {
    button(d, (unsigned int)atoi(argv[2]), argv[3]);
    status = 0;
  } else if (argc == 3 && (strcmp(argv[1], "press") == 0 || strcmp(argv[1], "release") == 0) && atoi(argv[2]) > 0) {
    button(d, (unsigned int)atoi(argv[2]), argv[1]);
    status = 0;
  } else if (argc == 2 && strcmp(argv[1], "cursor") == 0) {
    XFixesCursorImage* image = XFixesGetCursorImage(d);
    int visible = 0;
    for (int i = 0; image && i < image->width * image->height; i++)
      if ((image->pixels[i] >> 24) & 0xff) visible = 1;
    printf("%s\n", visible ? "shown" : "hidden");
    if (image) XFree(image);
    status = image ? 0 : 1;
  } else if (argc == 2 && strcmp(argv[1], "position") == 0) {
    Window root, child;
    int x, y, wx, wy;
    unsigned int mask;
    XQueryPointer(d, DefaultRootWindow(d), &root, &child, &x, &y, &wx, &wy, &mask);
    printf("%d %d\n", x, y);
    status = 0;
  } else if (argc == 3 && strcmp(argv[1], "type") == 0) {
    status = type_text(d, argv[2]) ? 0 : 2;
  } else if (argc == 3 && strcmp(argv[1], "key") == 0) {
    status = key_combo(d, argv[2]) ? 0 : 2;
  } else if (argc == 2 && strcmp(argv[1], "clipboard") == 0) {
    status = serve_clipboard(d);
  } else if (argc == 7 && strcmp(argv[1], "patch") == 0) {
    status = show_patch(d, argv);
  } else {
    fprintf(stderr, "usage: x11_input warp X Y | move X Y | click X Y | button N press|release|click | press N | release N |\n"
                    "       type TEXT | key COMBO | position | cursor | clipboard | patch X Y W H RRGGBB\n");
  }
  XCloseDisplay(d);
  return status;
}
