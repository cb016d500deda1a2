// Plays the blocks the page renders from the game's mixer, asking for more as it runs low; a
// late block leaves a moment of silence rather than stalling the output.
const kAhead = 3;  // blocks kept queued: at most 70 ms from a sound to the speaker

class Output extends AudioWorkletProcessor {
  constructor() {
    super();
    this.blocks = [];
    this.offset = 0;
    this.asked = 0;
    this.port.onmessage = (e) => {
      this.blocks.push(e.data);
      this.asked = Math.max(0, this.asked - 1);
    };
    this.ask();
  }

  ask() {
    const want = kAhead - this.blocks.length - this.asked;
    if (want > 0) {
      this.asked += want;
      this.port.postMessage(want);
    }
  }

  process(inputs, outputs) {
    const [left, right] = outputs[0];
    let i = 0;
    while (i < left.length && this.blocks.length > 0) {
      const [l, r] = this.blocks[0];
      const take = Math.min(left.length - i, l.length - this.offset);
      left.set(l.subarray(this.offset, this.offset + take), i);
      right.set(r.subarray(this.offset, this.offset + take), i);
      i += take;
      this.offset += take;
      if (this.offset === l.length) {
        this.blocks.shift();
        this.offset = 0;
      }
    }
    this.ask();
    return true;
  }
}

registerProcessor('fg-output', Output);
