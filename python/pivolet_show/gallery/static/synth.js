// A small WebAudio synth that follows a moving point with the same mapping as the draw command's
// WAV: x pans, y sets the pitch, z the brightness and the level; a soft click marks every beat.
"use strict";

(function () {
  const settings = window.PIVOLET_SETTINGS;
  // Audio runs this far behind the picture so that clicks and parameter changes can be placed at
  // exact times rather than whenever an animation frame happens to run.
  const AUDIO_LEAD_SECONDS = 0.05;
  const PARAMETER_SMOOTHING_SECONDS = 0.01;
  const nearness = (z) => (z + 1) / 2;

  const mapping = settings.synth;

  const synthMapping = {
    frequency: (y) => mapping.baseFrequencyHz * Math.pow(2, y * mapping.pitchRangeOctaves),
    cutoff: (z) => mapping.cutoffLowestHz * Math.pow(2, nearness(z) * mapping.cutoffRangeOctaves),
    level: (z) => mapping.levelFar + (mapping.levelNear - mapping.levelFar) * nearness(z),
    pan: (x) => Math.min(1, Math.max(-1, x)),
  };

  function createSynth(onStateChange) {
    let context = null;
    let nodes = null;
    let enabled = false;

    function build() {
      context = new AudioContext();
      const oscillator = context.createOscillator();
      oscillator.type = "sawtooth";
      const filter = context.createBiquadFilter();
      filter.type = "lowpass";
      // The browser's low-pass takes its Q in decibels.
      filter.Q.value = 20 * Math.log10(mapping.filterQ);
      const level = context.createGain();
      level.gain.value = 0;
      const panner = context.createStereoPanner();
      oscillator.connect(filter).connect(level).connect(panner).connect(context.destination);
      const clickBus = context.createGain();
      // Clicks are centred: a mono signal at equal-power centre gain on both sides.
      clickBus.gain.value = Math.SQRT1_2;
      clickBus.connect(context.destination);
      oscillator.start();
      nodes = { oscillator, filter, level, panner, clickBus };
      context.onstatechange = () => onStateChange(context.state);
    }

    function click(atTime, loopStart) {
      const tone = context.createOscillator();
      tone.frequency.value = loopStart ? mapping.clickLoopStartFrequencyHz : mapping.clickFrequencyHz;
      const envelope = context.createGain();
      envelope.gain.setValueAtTime(mapping.clickLevel, atTime);
      envelope.gain.setTargetAtTime(0, atTime, mapping.clickDecaySeconds);
      tone.connect(envelope).connect(nodes.clickBus);
      tone.start(atTime);
      tone.stop(atTime + mapping.clickLengthSeconds);
    }

    return {
      get enabled() { return enabled; },
      get state() { return context ? context.state : "none"; },

      async setEnabled(on) {
        enabled = on;
        if (on) {
          if (!context) build();
          await context.resume();
        } else if (context) {
          nodes.level.gain.setTargetAtTime(0, context.currentTime, PARAMETER_SMOOTHING_SECONDS);
          await context.suspend();
        }
        onStateChange(this.state);
      },

      // Follows the point; beatsCrossed lists the beats passed since the last frame with how long
      // ago each was passed, so that its click lands at the right moment.
      follow(point, sounding, beatsCrossed) {
        if (!enabled || !context || context.state !== "running") return;
        const at = context.currentTime + AUDIO_LEAD_SECONDS;
        const [x, y, z] = point;
        nodes.oscillator.frequency.setTargetAtTime(synthMapping.frequency(y), at, PARAMETER_SMOOTHING_SECONDS);
        nodes.filter.frequency.setTargetAtTime(synthMapping.cutoff(z), at, PARAMETER_SMOOTHING_SECONDS);
        nodes.panner.pan.setTargetAtTime(synthMapping.pan(x), at, PARAMETER_SMOOTHING_SECONDS);
        nodes.level.gain.setTargetAtTime(sounding ? synthMapping.level(z) : 0, at, PARAMETER_SMOOTHING_SECONDS);
        for (const beat of beatsCrossed) click(Math.max(context.currentTime, at - beat.secondsAgo), beat.loopStart);
      },
    };
  }

  window.pivoletShow = Object.assign(window.pivoletShow || {}, { createSynth });
})();
