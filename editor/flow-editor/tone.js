// The tone preview drawn in the header of a "Play tone" node: the shape of the sound over its whole
// length (attack, decay, held part, release) as an envelope band with the waveform inside it, a few
// periods wide so that low and high notes read differently. The maths is plain; the drawing uses a canvas.
// Provides: flowToneEnvelope, flowToneVisiblePeriods, flowToneSamples, flowToneParams, flowDrawToneWaveform
// Needs: nothing

function _flowToneNumber(v, fallback) {
  const n = typeof v === 'number' ? v : parseFloat(v);
  return Number.isFinite(n) ? n : fallback;
}

// The tone's parameters from a node's data, with the defaults a tone plays with.
function flowToneParams(data) {
  const d = data || {};
  const time = (v) => Math.max(0, _flowToneNumber(v, 0));
  const sustain = Math.min(1, Math.max(0, _flowToneNumber(d.sustain, 0.7)));
  let peak = _flowToneNumber(d.volume, 0.3);
  if (!(peak > 0)) peak = 0.3;
  peak = Math.min(1, peak);
  let frequency = _flowToneNumber(d.frequency, 440);
  if (!(frequency > 0)) frequency = 440;
  const waveform = ['sine', 'square', 'sawtooth', 'triangle'].includes(d.waveform) ? d.waveform : 'sine';
  return { attack: time(d.attack), decay: time(d.decay), duration: time(d.duration), release: time(d.release), sustain, peak, frequency, waveform };
}

// The envelope at time t (seconds from the start).
function flowToneEnvelope(t, attack, decay, sustain, duration, release, peak) {
  if (t < attack) return attack > 0 ? peak * t / attack : peak;
  if (t < attack + decay) return decay > 0 ? peak * (1 - (1 - sustain) * (t - attack) / decay) : sustain * peak;
  if (t <= attack + decay + duration) return sustain * peak;
  const r = t - attack - decay - duration;
  if (r <= release) return release > 0 ? sustain * peak * (1 - r / release) : 0;
  return 0;
}

function flowToneVisiblePeriods(frequency) {
  const f = frequency > 0 ? frequency : 440;
  const n = Math.round(1 + 2 * Math.log2(Math.max(f, 55) / 55));
  return Math.min(16, Math.max(2, n));
}

function _flowToneWave(waveform, p) {
  if (waveform === 'square') return p < 0.5 ? 1 : -1;
  if (waveform === 'sawtooth') return 2 * p - 1;
  if (waveform === 'triangle') return 4 * Math.abs(p - Math.floor(p + 0.5)) - 1;
  return Math.sin(2 * Math.PI * p);
}

// One sample and one envelope value per pixel column: {wave, env}.
function flowToneSamples(data, width) {
  const q = flowToneParams(data);
  const n = Math.max(2, Math.floor(width));
  const total = q.attack + q.decay + q.duration + q.release;
  const periods = flowToneVisiblePeriods(q.frequency);
  const wave = [];
  const env = [];
  for (let i = 0; i < n; i++) {
    const u = i / (n - 1);
    const e = flowToneEnvelope(u * total, q.attack, q.decay, q.sustain, q.duration, q.release, q.peak);
    const p = (u * periods) % 1;
    env.push(e);
    wave.push(e === 0 ? 0 : e * _flowToneWave(q.waveform, p));
  }
  return { wave, env };
}

// Draws the preview on the node's tone canvas once it is laid out (at least 2 px wide).
function flowDrawToneWaveform(node, el) {
  const canvas = el && el.querySelector('canvas.flow-tone-canvas');
  if (!canvas || typeof canvas.getContext !== 'function') return;
  const width = Math.round(canvas.clientWidth || canvas.width || 0);
  if (width < 2) return;
  const height = Math.round(canvas.clientHeight || 0) || 56;
  if (canvas.width !== width) canvas.width = width;
  if (canvas.height !== height) canvas.height = height;
  let ctx = null;
  try {
    ctx = canvas.getContext('2d');
  } catch (e) {
    ctx = null;
  }
  if (!ctx) return;
  const { wave, env } = flowToneSamples(node && node.data, width);
  const mid = height / 2;
  const amp = height / 2 - 4;
  ctx.clearRect(0, 0, width, height);
  ctx.strokeStyle = 'rgba(128,128,128,0.4)';
  ctx.lineWidth = 1;
  ctx.beginPath();
  ctx.moveTo(0, mid);
  ctx.lineTo(width, mid);
  ctx.stroke();
  ctx.fillStyle = 'rgba(16,185,129,0.15)';
  ctx.beginPath();
  env.forEach((e, i) => (i ? ctx.lineTo(i, mid - e * amp) : ctx.moveTo(i, mid - e * amp)));
  for (let i = env.length - 1; i >= 0; i--) ctx.lineTo(i, mid + env[i] * amp);
  ctx.closePath();
  ctx.fill();
  ctx.strokeStyle = '#10b981';
  ctx.lineWidth = 1.5;
  ctx.beginPath();
  wave.forEach((s, i) => (i ? ctx.lineTo(i, mid - s * amp) : ctx.moveTo(i, mid - s * amp)));
  ctx.stroke();
}
