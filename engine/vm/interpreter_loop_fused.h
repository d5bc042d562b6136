// The handlers of fused instruction sequences (see interpreter_internal.h), textually
// part of Vm::execute in interpreter_loop.cpp: included inside that function, where its
// locals and macros (ip, sp, base, left, NEXT, ...) are in scope. Not a header of its own.
//
// `left` holds the steps after this instruction's own; a fused op of k instructions
// needs k - 1 more, or runs its first instruction alone (jumping to that instruction's
// own handler, whose operands the fused op keeps). Operands of the later instructions
// are read from them, at ip[0], ip[1], ...

  OPX(SetLocalPop) {
    if (left == 0) {
      base[INS->b] = sp[-1];  // SetLocal alone; the Pop runs next
      NEXT();
    }
    --left;
    base[INS->b] = std::move(sp[-1]);
    POP_DISCARD();
    ++ip;
    NEXT();
  }
  OPX(AddToLocal) {
    if (left >= 4 && arith<op_of(Opcode::Add)>(base[INS->b], CONSTS[INS->c])) {
      left -= 4;
      ip += 4;
      NEXT();
    }
    PUSH_ROOM(1);
    new (sp++) Value(base[INS->b]);  // GetLocal alone; the rest runs next
    NEXT();
  }
  OPX(LessJump) {
    if (left != 0 && both_numbers(sp[-2], sp[-1])) {
      const bool less = as_double(sp[-2]) < as_double(sp[-1]);
      --left;
      POP_PLAIN(2);
      if (less)
        ++ip;
      else
        JUMP_TO(INS->c);
      NEXT();
    }
    binary_op = op_of(Opcode::Less);  // Less alone; the jump runs next
    goto slow_binary;
  }
  OPX(LocalConst) {
    PUSH_ROOM(2);
    new (sp++) Value(base[INS->b]);
    if (left == 0) NEXT();  // GetLocal alone; the Const runs next
    --left;
    new (sp++) Value(CONSTS[INS->c]);
    ++ip;
    NEXT();
  }
  OPX(IterNextLocal) {
    // Ranges and arrays or maps store their item straight into the loop's local; the
    // other kinds, the end of the loop and a short budget take IterNext alone.
    if (left < 2) goto L_IterNext;
    if (INS->b)
      while (iters_.size() > fp->iter_base && iters_.back().init != INS - 1) iters_.pop_back();
    if (iters_.size() <= fp->iter_base) goto L_IterNext;
    {
      Iter& it = iters_.back();
      Value& slot = base[ip->b];
      if (it.kind == Iter::Kind::Range) {
        if (it.done) goto L_IterNext;
        if (slot.holds_object())
          slot = Value::integer(it.next);
        else
          slot.set_int(it.next);
        ++it.pos;
        if (it.next == it.end)
          it.done = true;
        else if (++it.next == it.end && !it.inclusive)
          it.done = true;
      } else if (it.kind == Iter::Kind::Items || it.kind == Iter::Kind::Pairs) {
        if (it.pos >= it.items.size()) goto L_IterNext;
        slot = it.items[it.pos];
        ++it.pos;
      } else {
        goto L_IterNext;
      }
    }
    left -= 2;
    ip += 2;
    NEXT();
  }
  OPX(LocalIndex) {
    if (left != 0 && sp[-1].is(Tag::Array) && base[INS->b].is(Tag::Int)) {
      {
        const auto& items = sp[-1].array_obj().items;
        const int64_t k = base[INS->b].int_value();
        Value r = (k >= 0 && static_cast<uint64_t>(k) < items.size())
                      ? items[static_cast<size_t>(k)]
                      : Value();
        sp[-1] = std::move(r);
      }
      --left;
      ++ip;
      NEXT();
    }
    if (left != 0 && sp[-1].is(Tag::Map) && base[INS->b].is(Tag::Text)) {
      {
        const Value* v = sp[-1].map_obj().find(base[INS->b].text_obj());
        Value r = v ? *v : Value();
        sp[-1] = std::move(r);
      }
      --left;
      ++ip;
      NEXT();
    }
    goto L_GetLocal;
  }
  OPX(ConstCoalesce) {
    if (left == 0) goto L_Const;
    --left;
    {
      const Value& a = sp[-1];
      if (a.is_nothing() || (a.is(Tag::Num) && std::isnan(a.num_value())))
        sp[-1] = CONSTS[INS->c];
    }
    ++ip;
    NEXT();
  }

  OPX(LocalLocal) {
    PUSH_ROOM(2);
    new (sp++) Value(base[INS->b]);
    if (left == 0) NEXT();  // GetLocal alone; the other runs next
    --left;
    new (sp++) Value(base[ip->b]);
    ++ip;
    NEXT();
  }
  OPX(LocalLocalIndex) {
    if (left >= 2) {
      const Value& c = base[INS->b];
      const Value& key = base[ip->b];
      if (c.is(Tag::Array) && key.is(Tag::Int)) {
        PUSH_ROOM(1);
        const auto& items = c.array_obj().items;
        const int64_t k = key.int_value();
        if (k >= 0 && static_cast<uint64_t>(k) < items.size())
          new (sp++) Value(items[static_cast<size_t>(k)]);
        else
          new (sp++) Value();
        left -= 2;
        ip += 2;
        NEXT();
      }
      if (c.is(Tag::Map) && key.is(Tag::Text)) {
        PUSH_ROOM(1);
        const Value* v = c.map_obj().find(key.text_obj());
        new (sp++) Value(v ? *v : Value());
        left -= 2;
        ip += 2;
        NEXT();
      }
    }
    goto L_GetLocal;
  }
  OPX(SetIndexPop) {
    if (left == 0) goto L_SetIndex;
    if (sp[-3].is(Tag::Map) && sp[-2].is(Tag::Text) && !sp[-3].map_obj().may_grow()) {
      --left;
      sp[-3].map_obj().set(sp[-2].text_obj(), std::move(sp[-1]));
      POP_DISCARD();
      POP_DISCARD();
      POP_DISCARD();
      ++ip;
      NEXT();
    }
    goto L_SetIndex;
  }

// `<op>; SetLocal; Pop` on two numbers: the result goes straight into the local.
#define FUSED_STORE(name)                                          \
  OPX(name##Store) {                                               \
    if (left >= 2 && arith<op_of(Opcode::name)>(sp[-2], sp[-1])) { \
      left -= 2;                                                   \
      base[ip->b] = std::move(sp[-2]);                             \
      POP_PLAIN(2); /* a number and a moved-from value */          \
      ip += 2;                                                     \
      NEXT();                                                      \
    }                                                              \
    goto L_##name;                                                 \
  }
  KELO_FUSED_STORE(KELO_EACH, FUSED_STORE)
#undef FUSED_STORE

// `Const c; op` and `GetLocal b; op` on two numbers: the result replaces the left operand.
#define FUSED_ARITH(name)                                                  \
  OPX(Const##name) {                                                       \
    if (left != 0 && arith<op_of(Opcode::name)>(sp[-1], CONSTS[INS->c])) { \
      --left;                                                              \
      ++ip;                                                                \
      NEXT();                                                              \
    }                                                                      \
    goto L_Const;                                                          \
  }                                                                        \
  OPX(Local##name) {                                                       \
    if (left != 0 && arith<op_of(Opcode::name)>(sp[-1], base[INS->b])) {   \
      --left;                                                              \
      ++ip;                                                                \
      NEXT();                                                              \
    }                                                                      \
    goto L_GetLocal;                                                       \
  }
  KELO_FUSED_ARITH(KELO_EACH, FUSED_ARITH)
#undef FUSED_ARITH

// `GetLocal b; Const; op` on two numbers: pushes the result.
#define FUSED_LOCAL_CONST(name)                                   \
  OPX(LocalConst##name) {                                         \
    if (left >= 2 && both_numbers(base[INS->b], CONSTS[ip->c])) { \
      PUSH_ROOM(1);                                               \
      new (sp) Value(base[INS->b]);                               \
      arith<op_of(Opcode::name)>(*sp, CONSTS[ip->c]);             \
      ++sp;                                                       \
      left -= 2;                                                  \
      ip += 2;                                                    \
      NEXT();                                                     \
    }                                                             \
    goto L_GetLocal;                                              \
  }
  KELO_FUSED_ARITH(KELO_EACH, FUSED_LOCAL_CONST)
#undef FUSED_LOCAL_CONST

// `GetLocal b; Const; compare; JumpIfFalse` on two numbers (the jump at ip[2]).
#define FUSED_LOCAL_CONST_JUMP(name, cmp)                                      \
  OPX(LocalConst##name##Jump) {                                                \
    if (left >= 3 && both_numbers(base[INS->b], CONSTS[ip->c])) {              \
      const bool holds = as_double(base[INS->b]) cmp as_double(CONSTS[ip->c]); \
      left -= 3;                                                               \
      if (holds)                                                               \
        ip += 3;                                                               \
      else                                                                     \
        JUMP_TO(ip[2].c);                                                      \
      NEXT();                                                                  \
    }                                                                          \
    goto L_GetLocal;                                                           \
  }
  FUSED_LOCAL_CONST_JUMP(Less, <)
  FUSED_LOCAL_CONST_JUMP(LessEqual, <=)
  FUSED_LOCAL_CONST_JUMP(Greater, >)
  FUSED_LOCAL_CONST_JUMP(GreaterEqual, >=)
#undef FUSED_LOCAL_CONST_JUMP

// `Const c` or `GetLocal b`, a comparison and the JumpIfFalse after it (at ip[1]).
#define FUSED_JUMP(name, cmp, prefix, source, first)              \
  OPX(prefix##name##Jump) {                                       \
    if (left >= 2 && both_numbers(sp[-1], source)) {              \
      const bool holds = as_double(sp[-1]) cmp as_double(source); \
      left -= 2;                                                  \
      POP_PLAIN(1);                                               \
      if (holds)                                                  \
        ip += 2;                                                  \
      else                                                        \
        JUMP_TO(ip[1].c);                                         \
      NEXT();                                                     \
    }                                                             \
    goto L_##first;                                               \
  }
  FUSED_JUMP(Less, <, Const, CONSTS[INS->c], Const)
  FUSED_JUMP(LessEqual, <=, Const, CONSTS[INS->c], Const)
  FUSED_JUMP(Greater, >, Const, CONSTS[INS->c], Const)
  FUSED_JUMP(GreaterEqual, >=, Const, CONSTS[INS->c], Const)
  FUSED_JUMP(Less, <, Local, base[INS->b], GetLocal)
  FUSED_JUMP(LessEqual, <=, Local, base[INS->b], GetLocal)
  FUSED_JUMP(Greater, >, Local, base[INS->b], GetLocal)
  FUSED_JUMP(GreaterEqual, >=, Local, base[INS->b], GetLocal)
#undef FUSED_JUMP

// A jump to a loop's head: the head's step is counted as NEXT() would, then its handler
// runs directly.
#define FUSED_JUMP_TO(head)              \
  OPX(JumpTo##head) {                    \
    JUMP_TO(INS->c);                     \
    if (left == 0) goto budget_exceeded; \
    --left;                              \
    ++ip;                                \
    goto L_##head;                       \
  }
FUSED_JUMP_TO(IterNextLocal)
#define FUSED_JUMP_TO_COMPARE(name) FUSED_JUMP_TO(LocalConst##name##Jump)
KELO_FUSED_COMPARE(KELO_EACH, FUSED_JUMP_TO_COMPARE)
#undef FUSED_JUMP_TO_COMPARE
#undef FUSED_JUMP_TO
