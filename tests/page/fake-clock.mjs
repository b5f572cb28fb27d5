// A manual clock for a jsdom page: replaces the window's timers and Date.now, so a test moves time on
// with tick(ms) and every timer due by then runs in order (timers that those set run too when due).
//
//   const clock = installClock(window);   // in loadPage's before()
//   clock.tick(600); clock.now(); clock.pending()
export function installClock(window, start = 1_700_000_000_000) {
  let now = start;
  let nextId = 1;
  const timers = new Map();

  const add = (fn, ms, every) => {
    const id = nextId++;
    const delay = Math.max(0, Number(ms) || 0);
    timers.set(id, { fn, at: now + delay, every: every ? Math.max(1, delay) : 0 });
    return id;
  };
  window.setTimeout = (fn, ms) => add(fn, ms, false);
  window.setInterval = (fn, ms) => add(fn, ms, true);
  window.clearTimeout = (id) => timers.delete(id);
  window.clearInterval = (id) => timers.delete(id);
  window.requestAnimationFrame = (fn) => add(() => fn(now), 16, false);
  window.cancelAnimationFrame = (id) => timers.delete(id);
  window.Date.now = () => now;

  return {
    now: () => now,
    pending: () => timers.size,
    tick(ms) {
      const end = now + ms;
      for (;;) {
        let dueId = null;
        let due = null;
        for (const [id, timer] of timers) {
          if (timer.at <= end && (!due || timer.at < due.at)) {
            dueId = id;
            due = timer;
          }
        }
        if (!due) break;
        now = due.at;
        if (due.every) due.at += due.every;
        else timers.delete(dueId);
        due.fn();
      }
      now = end;
    },
  };
}
