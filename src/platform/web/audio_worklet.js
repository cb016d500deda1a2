// Plays the blocks the page renders from the game's mixer, asking for more as it runs low; a
// late block leaves a moment of silence rather than stalling the output. With each request it
// reports the level of the block it has just finished playing.
const kAhead = 3;  // blocks kept queued: at most 70 ms from a sound to the speaker

class Output extends AudioWorkletProcessor {
  constructor() {
    super();
    this.blocks = [];
    this.offset = 0;
    this.asked = 0;
    this.sum = 0;  // squares of the block being played
    this.level = 0;  // RMS of the last block played
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
      this.port.postMessage({ want: want, level: this.level });
    }
  }

  process(inputs, outputs) {
    const [left, right] = outputs[0];
    let i = 0;
    while (i < left.length && this.blocks.length > 0) {
      const [l, r] = this.blocks[0];
      const take = Math.min(left.length - i, l.length - this.offset);
      for (let k = 0; k < take; ++k) {
        const a = l[this.offset + k];
        const b = r[this.offset + k];
        left[i + k] = a;
        right[i + k] = b;
        this.sum += a * a + b * b;
      }
      i += take;
      this.offset += take;
      if (this.offset === l.length) {
        this.level = Math.sqrt(this.sum / (2 * l.length));
        this.sum = 0;
        this.blocks.shift();
        this.offset = 0;
      }
    }
    if (i < left.length) this.level = 0;  // ran dry: silence is what plays
    this.ask();
    return true;
  }
}

registerProcessor('fg-output', Output);
