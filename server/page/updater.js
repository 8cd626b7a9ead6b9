// Keeps the page up to date with the newest model without flooding the
// server: at most one request in flight; while it runs only the newest
// request waits (older waiting ones are dropped), and it is sent when the
// answer comes back. Answers are rendered in the order their requests were
// made and never after a newer one, so every panel always shows one answer
// for one model.
//
// Each update's time, from the input event that made its request to the
// render's end, is recorded in window.__explorer for tests and benchmarks:
// {updates, failures, lastUpdateMs, timesMs, inFlight, waiting, idle}.

export class Updater {
  // send(request) resolves with the answer or rejects; render(answer,
  // request) draws it; fail(error, request) reports a refused request.
  constructor({ send, render, fail }) {
    this.send = send;
    this.render = render;
    this.fail = fail;
    this.waiting = null;
    this.inFlight = false;
    this.issued = 0;
    this.rendered = 0;
    this.stats = { updates: 0, failures: 0, lastUpdateMs: null, timesMs: [], inFlight: false, waiting: false, idle: true };
    window.__explorer = this.stats;
  }

  // Asks for request to be shown; inputTime is the performance.now() of
  // the event that made it.
  submit(request, inputTime = performance.now()) {
    this.issued += 1;
    this.waiting = { request, inputTime, number: this.issued };
    this.pump();
  }

  async pump() {
    this.publish();
    if (this.inFlight || !this.waiting) return;
    const job = this.waiting;
    this.waiting = null;
    this.inFlight = true;
    this.publish();
    try {
      const answer = await this.send(job.request);
      if (job.number > this.rendered) this.show(job, answer);
    } catch (error) {
      this.stats.failures += 1;
      this.fail(error, job.request);
    } finally {
      this.inFlight = false;
      this.pump();
    }
  }

  show(job, answer) {
    this.rendered = job.number;
    this.render(answer, job.request);
    const ms = performance.now() - job.inputTime;
    this.stats.updates += 1;
    this.stats.lastUpdateMs = ms;
    this.stats.timesMs.push(ms);
  }

  publish() {
    this.stats.inFlight = this.inFlight;
    this.stats.waiting = this.waiting !== null;
    this.stats.idle = !this.inFlight && this.waiting === null;
  }
}
